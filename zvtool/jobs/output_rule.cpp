#include "zvtool/jobs/output_rule.h"

#include <ctime>
#include <functional>
#include <string>

#include "zvtool/jobs/when.h"

namespace {

// Where the extension of the last path component starts, or the end of `path`.
std::size_t ExtensionStart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos || dot <= name ? path.size() : dot;
}

std::string WithSuffix(const std::string& path, const std::string& suffix) {
    const std::size_t at = ExtensionStart(path);
    return path.substr(0, at) + suffix + path.substr(at);
}

}  // namespace

std::string DatedName(const std::string& path, std::time_t when) {
    return WithSuffix(path, "-" + LocalTimeText(when, "%Y%m%d-%H%M%S"));
}

TOutputPlan PlanOutput(const std::string& asked, bool force, bool dated, std::time_t when,
                       const std::function<bool(const std::string&)>& exists) {
    if (dated) {
        const std::string stamped = DatedName(asked, when);
        std::string path = stamped;
        for (int n = 2; exists(path); ++n) {
            path = WithSuffix(stamped, "-" + std::to_string(n));
        }
        return {false, path};
    }
    return {!force && exists(asked), asked};
}
