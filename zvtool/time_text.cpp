#include "zvtool/time_text.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr char kUtcSuffix[] = " UTC";
constexpr std::size_t kUtcTextSize = 23;  // "2026-12-09 04:30:12 UTC"

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct TCivil {
    long long year, month, day, hour, minute, second;
};

TCivil UtcCivil(long long time) {
    long long days = time / kSecondsPerDay;
    long long rest = time % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    TCivil c{};
    c.day = doy - (153 * mp + 2) / 5 + 1;
    c.month = mp + (mp < 10 ? 3 : -9);
    c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
    c.hour = rest / 3600;
    c.minute = rest / 60 % 60;
    c.second = rest % 60;
    return c;
}

// Local time through the C library; UTC when it cannot tell (the time is out of its range).
TCivil Civil(long long time, TZone zone) {
    if (zone == TZone::kLocal) {
        const std::time_t when = static_cast<std::time_t>(time);
        if (const std::tm* local = std::localtime(&when)) {
            return {local->tm_year + 1900LL, local->tm_mon + 1LL, local->tm_mday + 0LL,
                    local->tm_hour + 0LL,    local->tm_min + 0LL, local->tm_sec + 0LL};
        }
    }
    return UtcCivil(time);
}

// A whole number of at most nine digits; false for anything else.
bool ReadWhole(const std::string& text, long long* value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::atoll(text.c_str());
    return true;
}

// Seconds since 1970 of a civil date and time, read as if it were UTC.
long long AsIfUtc(const TCivil& c) {
    return DaysFromCivil(c.year, c.month, c.day) * kSecondsPerDay + c.hour * 3600 + c.minute * 60 +
           c.second;
}

// The local time's offset from UTC at `time`: " +01:00", " -05:30".
std::string OffsetText(long long time) {
    const long long offset = AsIfUtc(Civil(time, TZone::kLocal)) - time;
    const long long minutes = (offset < 0 ? -offset : offset) / 60;
    char text[48];
    std::snprintf(text, sizeof text, " %c%02lld:%02lld", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}

}  // namespace

std::string TimeText(long long time, TZone zone) {
    const TCivil c = Civil(time, zone);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", c.year, c.month,
                  c.day, c.hour, c.minute, c.second);
    return text + (zone == TZone::kUtc ? std::string(kUtcSuffix) : OffsetText(time));
}

std::string FileStamp(long long time, TZone zone) {
    const TCivil c = Civil(time, zone);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld%02lld%02lld-%02lld%02lld%02lld", c.year, c.month,
                  c.day, c.hour, c.minute, c.second);
    return text;
}

bool ReadUtcText(const std::string& text, long long* time) {
    long long y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (text.size() != kUtcTextSize || text.compare(19, 4, kUtcSuffix) != 0 || text[4] != '-' ||
        text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':' ||
        !ReadWhole(text.substr(0, 4), &y) || !ReadWhole(text.substr(5, 2), &mo) ||
        !ReadWhole(text.substr(8, 2), &d) || !ReadWhole(text.substr(11, 2), &h) ||
        !ReadWhole(text.substr(14, 2), &mi) || !ReadWhole(text.substr(17, 2), &s) || mo < 1 ||
        mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) {
        return false;
    }
    *time = DaysFromCivil(y, mo, d) * kSecondsPerDay + h * 3600 + mi * 60 + s;
    return true;
}

std::string AgeText(long long seconds) {
    if (seconds < 60) {
        return std::to_string(seconds < 0 ? 0 : seconds) + " s";
    }
    if (seconds < 3600) {
        return std::to_string(seconds / 60) + " min";
    }
    if (seconds < 2 * kSecondsPerDay) {
        const long long minutes = seconds / 60 % 60;
        return std::to_string(seconds / 3600) + " h" +
               (minutes != 0 ? " " + std::to_string(minutes) + " min" : "");
    }
    return std::to_string(seconds / kSecondsPerDay) + " days";
}
