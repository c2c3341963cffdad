#include <cstdio>

#include "sim/fanout.h"
#include "sim/serve.h"

int ServeUnits(const SimOptions&, int (*)(const SimOptions&)) {
    std::fprintf(stderr, "minizv-sim: several units need --link, which only POSIX systems have\n");
    return kExitUsage;
}
