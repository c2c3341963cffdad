#pragma once

// The result codes a run ends with: written as "ComStatus" and returned as the exit status.
// The one table of what they mean, for the driver's jobs and for every program that reports
// a run to a person (zvtool, the demo).
constexpr int kResultVersionAnswered = 0;
constexpr int kResultAllSent = 1;
constexpr int kResultRefused = 2;
constexpr int kResultAllFetched = 3;
constexpr int kResultFetchFailed = 4;
constexpr int kResultPortFailed = 5;
constexpr int kResultCentralRefused8 = 6;
constexpr int kResultBadModulNumber = 7;
constexpr int kResultNoSendFile = 8;
constexpr int kResultSendFileShort = 9;
constexpr int kResultFetchFileFailed = 10;
constexpr int kResultCentralRefusedFA = 11;

// What a result code means, in one sentence without a final full stop; an empty string for
// a code the driver never writes.
inline const char* ResultMeaning(int code) {
    static const char* const kMeanings[] = {
        "the unit answered the version query",
        "every record was sent and the unit accepted each one",
        "the unit did not acknowledge a request, or refused a record",
        "every requested record was fetched and written to \"fromZv.dat\"",
        "the exchange failed or the unit refused (fetch); no valid reply (other jobs)",
        "the serial port cannot be opened or configured; no job ran",
        "the unit answered the central record with status byte 8",
        "a record of \"ToZv.dat\" carries module number 0 or above 200 and was not sent",
        "\"ToZv.dat\" cannot be opened",
        "\"ToZv.dat\" ended before a whole record was read",
        "\"fromZv.dat\" cannot be created, or a record could not be written to it",
        "the unit answered the central record with status byte 0xFA",
    };
    constexpr int kCount = static_cast<int>(sizeof kMeanings / sizeof kMeanings[0]);
    return code >= 0 && code < kCount ? kMeanings[code] : "";
}
