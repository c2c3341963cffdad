// zvtool-manpage TEMPLATE OUT: zvtool's manual page with the sections its tables make,
// written at build time.
#include <cstdio>
#include <string>

#include "zvtool/cli/man_page.h"
#include "zvtool/platform/files.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zvtool-manpage TEMPLATE OUT\n");
        return 64;
    }
    std::string page;
    std::string filled;
    std::string error;
    if (ReadWholeFile(argv[1], 1u << 20, &page, &error) != TReadResult::kRead ||
        !FillManPage(page, &filled, &error) || !WriteWholeFile(argv[2], filled, &error)) {
        std::fprintf(stderr, "zvtool-manpage: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
