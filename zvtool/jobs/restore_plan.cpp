#include "zvtool/jobs/restore_plan.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// The records by number, the later of two with one number (as the unit keeps the later).
std::map<int, const TZvRecord*> ByNumber(const std::vector<TZvRecord>& records) {
    std::map<int, const TZvRecord*> numbers;
    for (const TZvRecord& record : records) {
        numbers[record.number] = &record;
    }
    return numbers;
}

bool Holds(const std::map<int, const TZvRecord*>& unit, const TZvRecord& record) {
    const auto found = unit.find(record.number);
    return found != unit.end() && found->second->bytes == record.bytes;
}

// Ascending numbers joined into runs: 7 8 9 12 -> 7-9, 12-12.
std::vector<std::pair<int, int>> Runs(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::vector<std::pair<int, int>> runs;
    for (int number : numbers) {
        if (!runs.empty() && runs.back().second + 1 == number) {
            runs.back().second = number;
        } else {
            runs.emplace_back(number, number);
        }
    }
    return runs;
}

}  // namespace

TRestorePlan PlanRestore(const std::vector<TZvRecord>& file, const std::vector<TZvRecord>& unit,
                         int first, int last, bool central, bool all) {
    TRestorePlan plan;
    const std::map<int, const TZvRecord*> held = ByNumber(unit);
    // The file's records by number too: a number given twice is sent once, as its later record.
    const std::map<int, const TZvRecord*> wanted = ByNumber(file);
    std::vector<int> numbers;
    for (const auto& number : wanted) {
        const TZvRecord& record = *number.second;
        if (record.number == kCentralRecordNumber) {
            if (central) {
                plan.central = all || !Holds(held, record);
                plan.same += plan.central ? 0 : 1;
            }
            continue;
        }
        if (record.number < first || record.number > last) {
            ++plan.outside;
        } else if (all || !Holds(held, record)) {
            numbers.push_back(record.number);
        } else {
            ++plan.same;
        }
    }
    // The module send takes its records in file order.
    for (const TZvRecord& record : file) {
        if (std::find(numbers.begin(), numbers.end(), record.number) != numbers.end() &&
            wanted.at(record.number) == &record) {
            plan.modules.push_back(record);
        }
    }
    plan.readBack = Runs(numbers);
    plan.sendSeconds = PlannedRecords(plan) * kSecondsPerRecord;
    plan.readBackSeconds = plan.sendSeconds;
    return plan;
}

int PlannedRecords(const TRestorePlan& plan) {
    return (plan.central ? 1 : 0) + static_cast<int>(plan.modules.size());
}

std::string DurationText(double seconds) {
    const long total = std::lround(seconds);
    if (total < 60) {
        return std::to_string(total) + " s";
    }
    return std::to_string(total / 60) + " min" +
           (total % 60 != 0 ? " " + std::to_string(total % 60) + " s" : "");
}

std::string DescribePlan(const TRestorePlan& plan) {
    const int count = PlannedRecords(plan);
    std::string text;
    if (count == 0) {
        text = "nothing to send: the unit holds every record of the file";
    } else {
        std::string what;
        if (plan.central) {
            what = "the central record";
        }
        if (!plan.modules.empty()) {
            std::string modules = DescribeNumbers(plan.modules);
            what += (what.empty() ? "" : " and ") + modules;
        }
        text = "send " + what + " (" + std::to_string(count) +
               (count == 1 ? " record" : " records") + "), then read " +
               (count == 1 ? "it" : "them") + " back: about " +
               DurationText(plan.sendSeconds + plan.readBackSeconds);
        if (plan.same > 0) {
            text += "; " + std::to_string(plan.same) +
                    (plan.same == 1 ? " record already holds" : " records already hold") +
                    " the file's values";
        }
    }
    if (plan.outside > 0) {
        text += "; " + std::to_string(plan.outside) + " module record" +
                (plan.outside == 1 ? "" : "s") + " outside --modules left as they are";
    }
    return text;
}
