// zvtool: runs jobs on the interface unit through the driver and its files, as a host
// application does, and reads record files.
#include "zvtool/cli/run.h"

int main(int argc, char** argv) {
    return RunZvtool(argc, argv);
}
