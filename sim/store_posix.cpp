#include <cstdio>

#include "sim/store.h"

int StoreReplace(const std::string& temporary, const std::string& path) {
    return std::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : 1;
}
