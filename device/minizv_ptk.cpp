#include "device/minizv_ptk.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "serial/link_frames.h"
#include "serial/pause.h"
#include "serial/trace.h"

namespace {

// Request codes; each reply carries the request code + 1.
constexpr std::uint8_t kVersionRequest = 1;
constexpr std::uint8_t kVersionReply = 2;
constexpr std::uint8_t kCentralFetchRequest = 3;
constexpr std::uint8_t kCentralFetchReply = 4;
constexpr std::uint8_t kCentralSendRequest = 5;
constexpr std::uint8_t kCentralSendReply = 6;
constexpr std::uint8_t kModulFetchRequest = 7;
constexpr std::uint8_t kModulFetchReply = 8;
constexpr std::uint8_t kModulSendRequest = 9;
constexpr std::uint8_t kModulSendReply = 10;

// The version and central fetch requests carry one byte that the unit does not look at.
constexpr std::uint8_t kFillerByte = 0;

constexpr std::uint8_t kOneByte = 1;
constexpr std::uint8_t kVersionLength = 2;
// A status byte followed by a record, or a flag byte followed by a record.
constexpr std::uint8_t kRecordPacketLength = 1 + sizeof(modul_setup);
static_assert(sizeof(TPcModulSetup) == kRecordPacketLength, "module send carries the PC record");

constexpr std::size_t kPacketBufferSize = 256;
constexpr int kSetupAttempts = 5;
constexpr std::uint32_t kRetryPauseMs = 5000;
constexpr int kSuccess = 0;
constexpr int kBadModulNumber = 7;

// Which request an attempt carries, for the trace: "module 7 fetch (request 7): attempt 1 of
// 5", "central send (request 5): attempt 2 of 5". The module number is the first payload byte
// of the module requests.
void TraceAttempt(std::uint8_t requestCode, std::uint8_t firstByte, int attempt, int attempts) {
    if (requestCode == kModulFetchRequest || requestCode == kModulSendRequest) {
        TraceNote("module %u %s%s%u)%s%d of %d", firstByte,
                  requestCode == kModulFetchRequest ? "fetch" : "send", kNoteRequest, requestCode,
                  kNoteAttempt, attempt, attempts);
        return;
    }
    const char* what = requestCode == kVersionRequest        ? "version query"
                       : requestCode == kCentralFetchRequest ? "central fetch"
                                                             : "central send";
    TraceNote("%s%s%u)%s%d of %d", what, kNoteRequest, requestCode, kNoteAttempt, attempt,
              attempts);
}

// One request and its reply with up to five attempts. Every failed attempt, the last one
// included, is followed by a pause that gives the unit time to recover. A lost reply costs
// the whole attempt: the request goes out again with a new frame counter.
int ExchangeWithRepeats(TMiniZvPtk& ptk, std::uint8_t requestCode, const std::uint8_t* request,
                        std::uint8_t requestLength, std::uint8_t replyCode, std::uint8_t* reply,
                        std::uint8_t replyLength) {
    int attempts = 0;
    for (;;) {
        TraceAttempt(requestCode, request[0], attempts + 1, kSetupAttempts);
        int result = ptk.PtkSendData(requestCode, request, requestLength);
        ++attempts;
        if (result == kLinkAcked) {
            result = ptk.PtkReceiveData(replyCode, reply, replyLength);
            if (result == kLinkReceived) {
                return kLinkReceived;
            }
        }
        TraceNote("pause %lu ms after attempt %d", static_cast<unsigned long>(kRetryPauseMs),
                  attempts);
        PauseMs(TraceWriteOutWithin(kRetryPauseMs));
        if (attempts == kSetupAttempts) {
            return result;
        }
    }
}

// A setup fetch: one request byte, a reply of the status byte and the record.
int FetchSetup(TMiniZvPtk& ptk, std::uint8_t requestCode, std::uint8_t requestByte,
               std::uint8_t replyCode, modul_setup& record, std::uint8_t& status) {
    std::array<std::uint8_t, kRecordPacketLength> reply{};
    const int result = ExchangeWithRepeats(ptk, requestCode, &requestByte, kOneByte, replyCode,
                                           reply.data(), kRecordPacketLength);
    if (result != kLinkReceived) {
        return result;
    }
    status = reply[0];
    TraceNote("%s%02X", kNoteStatusByte, status);
    std::memcpy(&record, &reply[1], sizeof(modul_setup));
    return kSuccess;
}

// A setup send: the request payload built once, a reply of the status byte.
int SendSetup(TMiniZvPtk& ptk, std::uint8_t requestCode,
              const std::array<std::uint8_t, kRecordPacketLength>& request, std::uint8_t replyCode,
              std::uint8_t& status) {
    std::uint8_t reply = 0;
    const int result = ExchangeWithRepeats(ptk, requestCode, request.data(), kRecordPacketLength,
                                           replyCode, &reply, kOneByte);
    if (result != kLinkReceived) {
        return result;
    }
    status = reply;
    TraceNote("%s%02X", kNoteStatusByte, status);
    return kSuccess;
}

}  // namespace

int TMiniZvPtk::GetVersion(std::uint8_t& version1, std::uint8_t& version2) {
    const std::uint8_t filler = kFillerByte;
    TraceAttempt(kVersionRequest, filler, 1, 1);
    int result = PtkSendData(kVersionRequest, &filler, kOneByte);
    if (result != kLinkAcked) {
        return result;
    }
    std::array<std::uint8_t, kVersionLength> reply{};
    result = PtkReceiveData(kVersionReply, reply.data(), kVersionLength);
    if (result != kLinkReceived) {
        return result;
    }
    version1 = reply[0];
    version2 = reply[1];
    TraceNote("reply accepted: version bytes %02X %02X", version1, version2);
    return kSuccess;
}

int TMiniZvPtk::GetCpModulSetup(modul_setup& record, std::uint8_t& status) {
    return FetchSetup(*this, kCentralFetchRequest, kFillerByte, kCentralFetchReply, record, status);
}

int TMiniZvPtk::SendCpModulSetup(const modul_setup& record, std::uint8_t& status,
                                 std::uint8_t flag) {
    std::array<std::uint8_t, kRecordPacketLength> request{};
    request[0] = flag;
    std::memcpy(&request[1], &record, sizeof(modul_setup));
    return SendSetup(*this, kCentralSendRequest, request, kCentralSendReply, status);
}

int TMiniZvPtk::GetZVModulSetup(modul_setup& record, std::uint8_t& status,
                                std::uint8_t modulNumber) {
    return FetchSetup(*this, kModulFetchRequest, modulNumber, kModulFetchReply, record, status);
}

int TMiniZvPtk::SendZVModulSetup(const TPcModulSetup& record, std::uint8_t& status) {
    if (record.number < kFirstModul || record.number > kLastModul) {
        return kBadModulNumber;
    }
    std::array<std::uint8_t, kRecordPacketLength> request{};
    std::memcpy(request.data(), &record, kRecordPacketLength);
    return SendSetup(*this, kModulSendRequest, request, kModulSendReply, status);
}

// The command code, then the payload, as one packet of length + 1 bytes.
int TMiniZvPtk::PtkSendData(std::uint8_t command, const std::uint8_t* payload,
                            std::uint8_t length) {
    std::array<std::uint8_t, kPacketBufferSize> packet{};
    packet[0] = command;
    std::copy_n(payload, length, packet.begin() + 1);
    return ComL1DataToMiniZv(packet.data(), static_cast<std::uint8_t>(length + 1));
}

// A reply packet of length + 1 bytes whose command code must be `replyCode`; only then does
// its payload reach `payload`.
int TMiniZvPtk::PtkReceiveData(std::uint8_t replyCode, std::uint8_t* payload, std::uint8_t length) {
    std::array<std::uint8_t, kPacketBufferSize> packet{};
    const int result = ComL1GetDataFromMiniZv(packet.data(), static_cast<std::uint8_t>(length + 1));
    if (result != kLinkReceived) {
        return result;
    }
    if (packet[0] != replyCode) {
        TraceNote("%s %u (want %u)", kNoteWrongReplyCode, packet[0], replyCode);
        return kLinkReceiveFailed;
    }
    std::copy_n(packet.begin() + 1, length, payload);
    return kLinkReceived;
}
