#pragma once
// What every driver test starts from, and how it looks at the outcome: a fresh working
// directory for the profile and data files, a well-behaved unit on the virtual line, the
// frame counter at 1 and a freshly created headless status window.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "device/setup_records.h"
#include "serial/link_frames.h"
#include "settings/profile.h"
#include "tests/common/scratch_dir.h"
#include "tests/fakes/fake_port.h"
#include "tests/fakes/fake_unit.h"
#include "ui/status_window.h"
#include "ui/status_window_posix.h"

namespace drivertest {

using Bytes = std::vector<std::uint8_t>;
// {virtual time at which the pause began, its length}
using TimedPause = std::pair<std::uint64_t, std::uint32_t>;

constexpr std::uint32_t kWakePause = 50;
constexpr std::uint32_t kRetryPause = 5000;
constexpr std::uint32_t kPassPause = 1100;
// A request that the unit never acknowledges: three empty reads of 1600 ms after the wake.
constexpr std::uint64_t kNotAckedAttemptMs = kWakePause + 3 * 1600;
// A setup operation whose five attempts all go unacknowledged.
constexpr std::uint64_t kSilentSetupOpMs = 5 * (kNotAckedAttemptMs + kRetryPause);

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::StartUnit();
        ComL1SetFrameCounter(1);
        StatusWindowReset();
        StatusWindowCreate();
    }

    ScratchDir dir;
};

// "zordrive.INI" holding `lines` (each ending in CR LF) under the driver's section.
inline void WriteSettings(const std::string& lines) {
    WriteBytes(kSettingsFile, SectionWith(lines));
}

// The value of `key` in "zordOUT.INI", read straight from the file's lines; nothing when the
// key was never written.
inline std::optional<std::string> StatusValue(const std::string& key) {
    const std::string text = ReadBytes(kStatusFile);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        if (line.compare(0, key.size() + 1, key + "=") == 0) {
            return line.substr(key.size() + 1);
        }
        start = end + 2;
    }
    return std::nullopt;
}

inline Bytes SetupBytes(const modul_setup& setup) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&setup);
    return Bytes(raw, raw + sizeof setup);
}

// The 131 bytes of a PC record.
inline Bytes PcBytes(std::uint8_t number, const modul_setup& setup) {
    Bytes bytes(1, number);
    const Bytes rest = SetupBytes(setup);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

// The numbers of a setup file in order, cut into records of 131 (the last may be short).
// Any run of digits is a number: this does not depend on the writer's line layout.
inline std::vector<Bytes> RecordsIn(const char* file) {
    const std::string text = ReadBytes(file);
    std::vector<Bytes> records;
    std::size_t i = 0;
    std::size_t count = 0;
    while (i < text.size()) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            ++i;
            continue;
        }
        unsigned value = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
            ++i;
        }
        if (count++ % sizeof(TPcModulSetup) == 0) {
            records.emplace_back();
        }
        records.back().push_back(static_cast<std::uint8_t>(value));
    }
    return records;
}

// "ToZv.dat" as a host writes it: the numbers of each record separated by commas, one
// record to a line.
inline void WriteToZv(const std::vector<Bytes>& records) {
    std::string text;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (r != 0) {
            text += ",\r\n";
        }
        for (std::size_t k = 0; k < records[r].size(); ++k) {
            text += (k == 0 ? "" : ",") + std::to_string(records[r][k]);
        }
    }
    text += "\r\n";
    WriteBytes(kToZvFile, text);
}

inline bool Exists(const char* name) {
    return std::filesystem::exists(name);
}

inline std::vector<TimedPause> TimedPauses() {
    std::vector<TimedPause> pauses;
    for (const fake::LinePause& pause : fake::Pauses()) {
        pauses.emplace_back(pause.atMs, pause.ms);
    }
    return pauses;
}

// Pause lengths in order, written as sums and repeats of the shapes a pass leaves.
using Pauses = std::vector<std::uint32_t>;

inline Pauses operator+(Pauses a, const Pauses& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Pauses operator*(const Pauses& part, std::size_t times) {
    Pauses all;
    for (std::size_t i = 0; i < times; ++i) {
        all = all + part;
    }
    return all;
}

// What one pass or attempt leaves in the pauses.
inline const Pauses kGoodPass{kWakePause, kPassPause};
inline const Pauses kIdlePass{kPassPause};     // after a failure: nothing sent
inline const Pauses kRefusedPass{kWakePause};  // the unit refused: no pass pause
inline const Pauses kFailedAttempt{kWakePause, kRetryPause};

inline Pauses PauseDurations() {
    Pauses durations;
    for (const fake::LinePause& pause : fake::Pauses()) {
        durations.push_back(pause.ms);
    }
    return durations;
}

// The request packets that reached the unit, in order.
inline std::vector<Bytes> RequestPackets() {
    std::vector<Bytes> packets;
    for (const fake::UnitRequest& request : fake::UnitRequests()) {
        packets.push_back(request.packet);
    }
    return packets;
}

inline Bytes RequestCodes() {
    Bytes codes;
    for (const fake::UnitRequest& request : fake::UnitRequests()) {
        codes.push_back(request.packet.empty() ? 0 : request.packet[0]);
    }
    return codes;
}

inline std::string ModulTitle(int n) {
    return "Zor Tool, Modul " + std::to_string(n);
}

// The titles a module job leaves in the history: the window's own, one per pass, and the
// window's own again.
inline std::vector<std::string> PassTitles(const std::vector<int>& passes) {
    std::vector<std::string> titles{kWindowTitle};
    for (const int n : passes) {
        titles.push_back(ModulTitle(n));
    }
    titles.push_back(kWindowTitle);
    return titles;
}

// Names the cases of a table by their `name` field.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
        return row.param.name;
    }
};

inline std::vector<std::string> UntouchedTitles() {
    return {kWindowTitle};
}

}  // namespace drivertest
