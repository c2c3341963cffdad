#include "zvtool/jobs/request.h"

#include <string>

#include "tools/option_table.h"

bool ParseModuleRange(const std::string& text, int* first, int* last) {
    if (text == "all") {
        *first = kFirstModul;
        *last = kLastModul;
        return true;
    }
    const std::size_t dash = text.find('-');
    int a = 0;
    int b = 0;
    if (dash == std::string::npos) {
        if (!ParseWholeNumber(text, kFirstModul, kLastModul, &a)) {
            return false;
        }
        b = a;
    } else if (!ParseWholeNumber(text.substr(0, dash), kFirstModul, kLastModul, &a) ||
               !ParseWholeNumber(text.substr(dash + 1), kFirstModul, kLastModul, &b) || a > b) {
        return false;
    }
    *first = a;
    *last = b;
    return true;
}
