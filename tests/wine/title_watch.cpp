// Watches the driver's status window from another process, as a host application would see
// it: finds the window of class "ZV_inf" and prints one timestamped line each time what it
// shows changes (class, title, minimised, foreground, visible), and a line when it is gone.
// Only calls that read the window's state from the system are used: the driver runs no
// message loop, so a message sent to its window would never be answered.
//   title_watch.exe SECONDS
// Prints "watching" once polling has begun; ends when a window that was seen has gone, or
// after SECONDS (exit status 1 then, with "timed out").
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr char kWatchedClass[] = "ZV_inf";

struct TWindowState {
    bool present = false;
    std::string className;
    std::string title;
    bool iconic = false;
    bool foreground = false;
    bool visible = false;

    bool operator==(const TWindowState& other) const {
        return present == other.present && className == other.className && title == other.title &&
               iconic == other.iconic && foreground == other.foreground && visible == other.visible;
    }
};

TWindowState Sample(HWND window) {
    TWindowState state;
    char text[256] = "";
    if (window == nullptr || GetClassNameA(window, text, sizeof text) == 0) {
        return state;
    }
    state.present = true;
    state.className = text;
    const int length = GetWindowTextA(window, text, sizeof text);
    state.title.assign(text, static_cast<std::size_t>(length > 0 ? length : 0));
    state.iconic = IsIconic(window) != FALSE;
    state.foreground = GetForegroundWindow() == window;
    state.visible = IsWindowVisible(window) != FALSE;
    return state;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

void Print(double ms, const TWindowState& state) {
    if (state.present) {
        std::printf("%10.3f window class=%s title='%s' iconic=%d foreground=%d visible=%d\n", ms,
                    state.className.c_str(), state.title.c_str(), state.iconic ? 1 : 0,
                    state.foreground ? 1 : 0, state.visible ? 1 : 0);
    } else {
        std::printf("%10.3f gone\n", ms);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const double limitMs = argc > 1 ? std::atof(argv[1]) * 1000.0 : 60000.0;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::printf("watching\n");
    std::fflush(stdout);

    HWND window = nullptr;
    TWindowState last;
    bool seen = false;
    long samples = 0;
    while (MillisecondsSince(start) < limitMs) {
        // The handle is kept while it names a window of our class, so one sample is a few
        // quick state reads; a window that ends and another that appears are both noticed.
        if (window == nullptr || !IsWindow(window)) {
            window = FindWindowA(kWatchedClass, nullptr);
        }
        const TWindowState state = Sample(window);
        ++samples;
        if (!(state == last) && (state.present || seen)) {
            Print(MillisecondsSince(start), state);
            last = state;
            seen = true;
        }
        if (seen && !state.present) {
            std::printf("samples %ld\n", samples);
            return 0;
        }
        // Yields the processor without giving up the rest of the millisecond, so a title
        // that lasts only a few milliseconds is still caught.
        SwitchToThread();
    }
    std::printf("timed out, samples %ld\n", samples);
    return 1;
}
