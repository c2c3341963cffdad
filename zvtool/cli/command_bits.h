#pragma once

// The commands as bits, for the option table's "accepted by" column and the command table's
// rows. kNoCommand is zvtool's own help.
constexpr unsigned kTestBit = 1u << 0;
constexpr unsigned kFetchBit = 1u << 1;
constexpr unsigned kSendBit = 1u << 2;
constexpr unsigned kBackupBit = 1u << 3;
constexpr unsigned kRestoreBit = 1u << 4;
constexpr unsigned kCheckBit = 1u << 5;
constexpr unsigned kShowBit = 1u << 6;
constexpr unsigned kDiffBit = 1u << 7;
constexpr unsigned kNoCommandBit = 1u << 8;
constexpr unsigned kSetBit = 1u << 9;
constexpr unsigned kHistoryBit = 1u << 10;
constexpr unsigned kUnitsBit = 1u << 11;
constexpr unsigned kPortsBit = 1u << 12;
constexpr unsigned kLedgerBit = 1u << 13;
constexpr unsigned kJobBits = kTestBit | kFetchBit | kSendBit | kBackupBit | kRestoreBit;
constexpr unsigned kEveryBit = kJobBits | kCheckBit | kShowBit | kDiffBit | kSetBit | kHistoryBit |
                               kUnitsBit | kPortsBit | kLedgerBit | kNoCommandBit;
