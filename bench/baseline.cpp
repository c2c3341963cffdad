// The smallest C++ program, built like the driver: what any C++ process costs in memory
// and processor time before it does anything. The benchmark sets the driver against it.
int main() {
    return 0;
}
