#include "zvtool/jobs/output_rule.h"

#include <functional>
#include <string>

#include "zvtool/numbered_name.h"
#include "zvtool/time_text.h"

std::string DatedName(const std::string& path, long long when) {
    return WithSuffix(path, "-" + FileStamp(when, TZone::kLocal));
}

TOutputPlan PlanOutput(const std::string& asked, bool force, bool dated, long long when,
                       const std::function<bool(const std::string&)>& exists) {
    if (dated) {
        const std::string path = FirstFreeName(DatedName(asked, when), exists);
        return {path.empty(), path};
    }
    return {!force && exists(asked), asked};
}
