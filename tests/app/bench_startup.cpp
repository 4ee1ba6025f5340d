// Not a test: how long a program takes from its start to its first painted window under
// Xvfb. Starts its own Xvfb (black root, so an unpainted window reads black), then runs
// the program again and again: the clock starts just before fork(), "mapped" is when the
// X server maps the program's top-level window, "painted" when the pixel near its top
// left corner is no longer black, the first frame the user could act on.
//
//   bench_startup [--runs N] PROGRAM [ARGUMENTS...]

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

pid_t startXvfb(const std::string &display)
{
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("Xvfb", "Xvfb", display.c_str(), "-br", "-nolisten", "tcp", "-screen", "0",
               "1280x1024x24", static_cast<char *>(nullptr));
        _exit(127);
    }
    return pid;
}

Display *connect(const std::string &display)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Display *x = XOpenDisplay(display.c_str()))
            return x;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

// Whether the window's pixel at (x, y) has been painted (is not black).
bool painted(Display *x, Window window, int px, int py)
{
    XImage *image = XGetImage(x, window, px, py, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return false;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel != 0;
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

struct Run
{
    double mappedMs = -1;
    double paintedMs = -1;
};

Run runOnce(Display *x, const std::string &display, char **program)
{
    Run run;
    const Window root = DefaultRootWindow(x);
    XSelectInput(x, root, SubstructureNotifyMask);
    XSync(x, True);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execvp(program[0], program);
        _exit(127);
    }

    Window shown = 0;
    while (msSince(start) < 10000) {
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type != MapNotify || event.xmap.override_redirect)
                continue;
            XWindowAttributes attributes;
            if (XGetWindowAttributes(x, event.xmap.window, &attributes) && attributes.width > 50) {
                shown = event.xmap.window;
                run.mappedMs = msSince(start);
            }
        }
        if (shown && painted(x, shown, 2, 2)) {
            run.paintedMs = msSince(start);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(shown ? 200 : 500));
    }

    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XSelectInput(x, root, NoEventMask);
    XSync(x, True);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the root repaints black
    return run;
}

void report(const char *what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values)
        sum += v;
    std::printf("%-8s min %7.1f ms   median %7.1f ms   mean %7.1f ms   max %7.1f ms\n", what,
                values.front(), values[values.size() / 2], sum / double(values.size()),
                values.back());
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 20;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [--runs N] PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }

    const std::string display = ":" + std::to_string(90 + getpid() % 100);
    const pid_t xvfb = startXvfb(display);
    Display *x = connect(display);
    if (!x) {
        std::fprintf(stderr, "Xvfb did not start on %s\n", display.c_str());
        kill(xvfb, SIGTERM);
        return 1;
    }
    XSetErrorHandler(ignoreErrors);

    runOnce(x, display, argv + first); // warms the caches; not counted
    std::vector<double> mapped;
    std::vector<double> paint;
    for (int i = 0; i < runs; ++i) {
        const Run run = runOnce(x, display, argv + first);
        if (run.paintedMs < 0) {
            std::fprintf(stderr, "run %d: no painted window within 10 s\n", i + 1);
            continue;
        }
        mapped.push_back(run.mappedMs);
        paint.push_back(run.paintedMs);
    }
    XCloseDisplay(x);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    if (paint.empty())
        return 1;

    std::printf("%s: %zu runs under Xvfb\n", argv[first], paint.size());
    report("mapped", mapped);
    report("painted", paint);
    return 0;
}
