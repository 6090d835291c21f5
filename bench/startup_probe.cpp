// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-startup-probe: start-up and rest figures of one run of a program, measured from
// outside it on the X server it draws on.
//
//   ekobarama-startup-probe [options] -- program [arguments]
//
// The probe watches the screen with the Damage extension, then starts the program (fork and
// exec; the clock starts just before the fork). It finds the program's top-level window when
// it is mapped (its _NET_WM_PID is the child's), and at every damage of the screen from then on
// reads the window's client area (the bottom-left client width x height pixels of the window,
// below any menu bar) and remembers a digest of it with the time of the damage. Once the
// screen has been quiet for the settle time, the client area's final content is the picture
// shown at rest; the first presented frame is the first damage after which the client area
// showed that picture for good. A reading taken while later drawing was already on its way is
// not counted, so the figure is never earlier than the truth.
//
// The processor time the program had used by the first frame is printed too: on a machine
// shared with other work it varies less than the wall time.
//
// Then, still in the same run: resident memory (VmRSS) at a given time after the start, and
// the wake-ups of the program over a rest period (voluntary and involuntary context switches
// summed over all its threads). Figures are printed one per line, "name value".
//
// Options:
//   --client W H       client area size (default 637 470)
//   --settle MS        quiet time that ends the watch (default 1000)
//   --timeout MS       longest watch (default 20000)
//   --rss-at MS        when to read VmRSS, from the start (default 3000; 0: not read)
//   --rest S           seconds over which wake-ups are counted after that (default 0: none)
//   --show-output      leave the program's standard output and error open (default: closed)
//   --save FILE        write the client area shown at rest to FILE (a binary PPM picture)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Settings {
    int clientWidth = 637;
    int clientHeight = 470;
    int settleMs = 1000;
    int timeoutMs = 20000;
    int rssAtMs = 3000;
    int restSeconds = 0;
    bool showOutput = false;
    std::string savePath;
    std::vector<char*> command;
};

[[noreturn]] void Usage(const char* message) {
    std::fprintf(stderr,
                 "ekobarama-startup-probe: %s\n"
                 "usage: ekobarama-startup-probe [--client W H] [--settle MS] [--timeout MS] "
                 "[--rss-at MS] [--rest S] [--show-output] [--save FILE] -- program "
                 "[arguments]\n",
                 message);
    std::exit(2);
}

int NumberArgument(int& index, int argc, char** argv) {
    if (index + 1 >= argc)
        Usage("an option lacks its value");
    char* end = nullptr;
    const long value = std::strtol(argv[++index], &end, 10);
    if (*end != '\0' || value < 0 || value > 1000000)
        Usage("an option's value is not a number from 0 to 1000000");
    return static_cast<int>(value);
}

Settings ParseArguments(int argc, char** argv) {
    Settings settings;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--") {
            ++i;
            break;
        }
        if (option == "--client") {
            settings.clientWidth = NumberArgument(i, argc, argv);
            settings.clientHeight = NumberArgument(i, argc, argv);
        } else if (option == "--settle") {
            settings.settleMs = NumberArgument(i, argc, argv);
        } else if (option == "--timeout") {
            settings.timeoutMs = NumberArgument(i, argc, argv);
        } else if (option == "--rss-at") {
            settings.rssAtMs = NumberArgument(i, argc, argv);
        } else if (option == "--rest") {
            settings.restSeconds = NumberArgument(i, argc, argv);
        } else if (option == "--show-output") {
            settings.showOutput = true;
        } else if (option == "--save") {
            if (i + 1 >= argc)
                Usage("--save lacks its file");
            settings.savePath = argv[++i];
        } else {
            Usage(("unknown option " + option).c_str());
        }
    }
    for (; i < argc; ++i)
        settings.command.push_back(argv[i]);
    if (settings.command.empty())
        Usage("no program to start");
    if (settings.clientWidth == 0 || settings.clientHeight == 0)
        Usage("the client area has no size");
    settings.command.push_back(nullptr);
    return settings;
}

// X errors (a window that went away between two requests) are counted, never fatal.
int xErrors = 0;
int CountError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

// The process id a window's _NET_WM_PID names, if it has one.
std::optional<long> WindowPid(Display* display, Window window) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                          &format, &count, &after, &data);
    std::optional<long> pid;
    if (status == Success && data != nullptr && type == XA_CARDINAL && format == 32 && count == 1)
        pid = *reinterpret_cast<const long*>(data);
    if (data != nullptr)
        XFree(data);
    return pid;
}

// A digest of the window's client area as it is on the screen now.
struct Reading {
    Clock::time_point time;
    std::uint64_t digest = 0;
    bool uniform = true;  // every pixel the same colour: nothing drawn yet
    bool settled = false; // no later drawing was on its way when it was taken
    double cpuMs = 0;     // processor time the program had used by then
};

std::optional<Reading> ReadClientArea(Display* display, Window window, const Settings& settings) {
    XWindowAttributes attributes{};
    const int errorsBefore = xErrors;
    if (!XGetWindowAttributes(display, window, &attributes) || xErrors != errorsBefore)
        return std::nullopt;
    if (attributes.map_state != IsViewable || attributes.width < settings.clientWidth ||
        attributes.height < settings.clientHeight)
        return std::nullopt;
    XImage* image = XGetImage(display, window, 0, attributes.height - settings.clientHeight,
                              static_cast<unsigned>(settings.clientWidth),
                              static_cast<unsigned>(settings.clientHeight), AllPlanes, ZPixmap);
    if (image == nullptr)
        return std::nullopt;
    Reading reading;
    std::uint64_t digest = 1469598103934665603ull; // FNV-1a over the pixels' colours
    const auto mix = [&](std::uint32_t pixel) { digest = (digest ^ pixel) * 1099511628211ull; };
    const std::uint32_t first = XGetPixel(image, 0, 0) & 0xFFFFFF;
    std::uint32_t differs = 0;
    if (image->bits_per_pixel == 32) {
        for (int y = 0; y < image->height; ++y) {
            const char* line = image->data + std::ptrdiff_t{y} * image->bytes_per_line;
            for (int x = 0; x < image->width; ++x) {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, line + std::ptrdiff_t{x} * 4, 4);
                pixel &= 0xFFFFFF;
                differs |= pixel ^ first;
                mix(pixel);
            }
        }
    } else {
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) {
                const auto pixel = static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
                differs |= pixel ^ first;
                mix(pixel);
            }
    }
    reading.uniform = differs == 0;
    XDestroyImage(image);
    reading.digest = digest;
    return reading;
}

// Writes the window's client area as it is on the screen now to path, as a binary PPM picture.
bool SaveClientArea(Display* display, Window window, const Settings& settings,
                    const std::string& path) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) ||
        attributes.height < settings.clientHeight || attributes.width < settings.clientWidth)
        return false;
    XImage* image = XGetImage(display, window, 0, attributes.height - settings.clientHeight,
                              static_cast<unsigned>(settings.clientWidth),
                              static_cast<unsigned>(settings.clientHeight), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image->width << ' ' << image->height << "\n255\n";
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const char rgb[3] = {static_cast<char>((pixel >> 16) & 0xFF),
                                 static_cast<char>((pixel >> 8) & 0xFF),
                                 static_cast<char>(pixel & 0xFF)};
            out.write(rgb, 3);
        }
    XDestroyImage(image);
    return static_cast<bool>(out);
}

// The /proc directories of the process's living threads; *unreadable tells whether the list
// could not be read whole.
std::vector<std::filesystem::path> TaskDirectories(pid_t pid, bool* unreadable = nullptr) {
    std::vector<std::filesystem::path> tasks;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        tasks.push_back(task.path());
    if (unreadable)
        *unreadable = static_cast<bool>(error);
    return tasks;
}

// Sum of the context switches of every thread of the process.
long ContextSwitches(pid_t pid) {
    long total = 0;
    bool unreadable = false;
    for (const auto& task : TaskDirectories(pid, &unreadable)) {
        std::ifstream status(task / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:"))
                total += std::atol(line.c_str() + line.find(':') + 1);
        }
    }
    if (unreadable)
        throw std::runtime_error("the program's threads cannot be read");
    return total;
}

// Processor time used so far by the program's living threads, in milliseconds (the scheduler's
// own nanosecond count, so that a loaded machine changes it less than it changes wall time).
double ProcessorMilliseconds(pid_t pid) {
    double total = 0;
    for (const auto& task : TaskDirectories(pid)) {
        std::ifstream schedstat(task / "schedstat");
        double nanoseconds = 0;
        if (schedstat >> nanoseconds)
            total += nanoseconds / 1e6;
    }
    return total;
}

long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    throw std::runtime_error("the program's resident size cannot be read");
}

int TaskCount(pid_t pid) {
    return static_cast<int>(TaskDirectories(pid).size());
}

pid_t Start(const Settings& settings) {
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (!settings.showOutput) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
        }
        execvp(settings.command[0], settings.command.data());
        _exit(127);
    }
    return pid;
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

class Probe {
public:
    explicit Probe(const Settings& settings) : settings_(settings) {
        // A server started just before may take a moment to take connections.
        for (int attempt = 0; attempt < 100 && display_ == nullptr; ++attempt) {
            display_ = XOpenDisplay(nullptr);
            if (display_ == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (display_ == nullptr)
            throw std::runtime_error("no X display (is DISPLAY set?)");
        XSetErrorHandler(CountError);
        int errorBase = 0;
        if (!XDamageQueryExtension(display_, &damageEventBase_, &errorBase))
            throw std::runtime_error("the X server has no Damage extension");
        root_ = DefaultRootWindow(display_);
        XSelectInput(display_, root_, SubstructureNotifyMask);
        damage_ = XDamageCreate(display_, root_, XDamageReportNonEmpty);
        XSync(display_, False);
    }
    ~Probe() {
        XDamageDestroy(display_, damage_);
        XCloseDisplay(display_);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    int Run() {
        start_ = Clock::now();
        child_ = Start(settings_);
        int status = 0;
        try {
            status = Measure();
        } catch (...) {
            Stop();
            throw;
        }
        Stop();
        return status;
    }

private:
    int Measure() {
        if (const int status = WatchFirstFrame(); status != 0)
            return status;
        if (settings_.rssAtMs > 0) {
            std::this_thread::sleep_until(start_ + std::chrono::milliseconds(settings_.rssAtMs));
            if (Exited(child_)) {
                exited_ = true;
                return Fail("the program ended before its resident size was read");
            }
            std::printf("rss_kb %ld\n", ResidentKilobytes(child_));
            std::printf("threads %d\n", TaskCount(child_));
        }
        if (settings_.restSeconds > 0) {
            const long before = ContextSwitches(child_);
            std::this_thread::sleep_for(std::chrono::seconds(settings_.restSeconds));
            if (Exited(child_)) {
                exited_ = true;
                return Fail("the program ended during the rest period");
            }
            std::printf("wakeups %ld\n", ContextSwitches(child_) - before);
            std::printf("rest_s %d\n", settings_.restSeconds);
        }
        std::fflush(stdout);
        return 0;
    }

    // Watches until the screen has been quiet for the settle time; prints the first frame.
    int WatchFirstFrame() {
        const auto deadline = start_ + std::chrono::milliseconds(settings_.timeoutMs);
        auto lastDamage = Clock::now();
        while (Clock::now() < deadline) {
            if (window_ != None &&
                MillisecondsBetween(lastDamage, Clock::now()) >= settings_.settleMs)
                break;
            if (Exited(child_)) {
                exited_ = true;
                return Fail("the program ended before it showed its picture");
            }
            if (XPending(display_) == 0) {
                pollfd fd{ConnectionNumber(display_), POLLIN, 0};
                poll(&fd, 1, 5);
                continue;
            }
            XEvent event;
            XNextEvent(display_, &event);
            const auto now = Clock::now();
            if (event.type == MapNotify && window_ == None) {
                const Window mapped = event.xmap.window;
                if (WindowPid(display_, mapped) == static_cast<long>(child_)) {
                    window_ = mapped;
                    mapped_ = now;
                    TakeReading(now);
                }
            } else if (event.type == damageEventBase_ + XDamageNotify) {
                lastDamage = now;
                XDamageSubtract(display_, damage_, None, None);
                if (window_ != None)
                    TakeReading(now);
            }
        }
        if (window_ == None)
            return Fail("the program's window never appeared");
        const std::optional<Reading> final = ReadClientArea(display_, window_, settings_);
        if (!final)
            return Fail("the program's window cannot be read");
        if (final->uniform)
            return Fail("the window shows no picture at rest (a uniform client area)");
        if (!settings_.savePath.empty() &&
            !SaveClientArea(display_, window_, settings_, settings_.savePath))
            return Fail("the client area cannot be written to the --save file");
        // The first reading from which on the client area kept its final content.
        const Reading* first = nullptr;
        for (auto reading = readings_.rbegin(); reading != readings_.rend(); ++reading) {
            if (reading->digest != final->digest)
                break;
            if (reading->settled)
                first = &*reading;
        }
        if (first == nullptr)
            return Fail("no reading showed the final picture");
        std::printf("window_mapped_ms %.2f\n", MillisecondsBetween(start_, mapped_));
        std::printf("first_frame_ms %.2f\n", MillisecondsBetween(start_, first->time));
        std::printf("first_frame_cpu_ms %.2f\n", first->cpuMs);
        std::printf("readings %zu\n", readings_.size());
        return 0;
    }

    void TakeReading(Clock::time_point time) {
        std::optional<Reading> reading = ReadClientArea(display_, window_, settings_);
        if (!reading)
            return;
        reading->time = time;
        reading->cpuMs = ProcessorMilliseconds(child_);
        // Damage that arrived with the image may already be in it: such a reading is not
        // counted as showing a frame at this time.
        XEvent later;
        reading->settled = !XCheckTypedEvent(display_, damageEventBase_ + XDamageNotify, &later);
        if (!reading->settled)
            XPutBackEvent(display_, &later);
        readings_.push_back(*reading);
    }

    // Reports why the run gave no figure; the exit status of the probe.
    int Fail(const char* message) {
        std::fflush(stdout);
        std::fprintf(stderr, "ekobarama-startup-probe: %s\n", message);
        return 1;
    }

    void Stop() {
        if (child_ <= 0 || exited_)
            return;
        kill(child_, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (Exited(child_))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }

    const Settings& settings_;
    Display* display_ = nullptr;
    Window root_ = None;
    Damage damage_ = None;
    int damageEventBase_ = 0;
    Clock::time_point start_;
    Clock::time_point mapped_;
    pid_t child_ = -1;
    bool exited_ = false;
    Window window_ = None;
    std::vector<Reading> readings_;
};

} // namespace

int main(int argc, char** argv) {
    const Settings settings = ParseArguments(argc, argv);
    try {
        Probe probe(settings);
        return probe.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ekobarama-startup-probe: %s\n", error.what());
        return 1;
    }
}
