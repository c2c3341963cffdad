// The smallest C++ program that uses the C++ standard library at run time (one std::string
// from the heap): what loading libstdc++ costs, for comparison with zv-baseline.
#include <string>

int main(int argc, char** argv) {
    const std::string name(argv[argc - 1]);
    return name.empty() ? 1 : 0;
}
