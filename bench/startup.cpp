// SPDX-License-Identifier: MIT
// Times programs from outside, as a user sees them: from the moment the
// program is started until its window is mapped and its pixels are drawn,
// under an X server of its own (scripts/bench starts Xvfb with a black root,
// so a window nobody has drawn into yet is all black). Nothing inside the
// programs is hooked.
//
//   bench_startup startup RUNS TYRESCOPE BARE   start-up of both, alternating
//   bench_startup poll SECONDS TYRESCOPE        CPU while "Continuous" polls
//   bench_startup instructions DIR TYRESCOPE BARE
//                      instructions to the first painted window, under callgrind
//   bench_startup headless RUNS TYRESCOPE CORE
//                      start to exit of tyrescope --read --simulate against a
//                      Qt Core program that prints one line, alternating
//   bench_startup results RUNS TYRESCOPE TARGET NAME
//                      the same storing its record in TARGET (--results),
//                      against the run without it, alternating
//   bench_startup history RUNS TYRESCOPE TARGET SERIAL
//                      start to exit of --history --serial over a store
//
// Every program it starts it ends itself, by process ID.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

volatile pid_t running = 0; // the program started last, until it is reaped

void endRunning(int signal) {
    if (running > 0)
        kill(running, SIGKILL);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// Windows vanish while they are looked at; such errors are expected.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// In the child of a fork: becomes the program argv names.
[[noreturn]] void execute(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::perror(args[0]);
    _exit(127);
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuMs(clockid_t clock) {
    timespec t{};
    if (clock_gettime(clock, &t) != 0)
        return -1;
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long peakResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

class Server {
public:
    Server() {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr) {
            std::fprintf(stderr, "bench_startup: cannot open display %s\n",
                         std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(DISPLAY not set)");
            std::exit(2);
        }
        XSetErrorHandler(ignoreErrors);
        int error = 0;
        if (!XDamageQueryExtension(display_, &damageEvent_, &error)) {
            std::fprintf(stderr, "bench_startup: the X server has no DAMAGE extension\n");
            std::exit(2);
        }
        fcntl(ConnectionNumber(display_), F_SETFD, FD_CLOEXEC);
        root_ = DefaultRootWindow(display_);
        XSelectInput(display_, root_, SubstructureNotifyMask);
        pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
        XSync(display_, False);
    }
    ~Server() { XCloseDisplay(display_); }

    struct Start {
        pid_t pid = -1;
        Window window = 0;
        double wallMs = 0;
        double cpuMs = 0;
    };

    // Starts argv and waits until its top-level window shows drawn pixels.
    Start start(const std::vector<std::string>& argv, std::chrono::seconds patience = 20s) {
        drain();
        damages_.clear();
        Start result;
        const Clock::time_point t0 = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execute(argv);
        }
        running = pid;
        result.pid = pid;
        clockid_t cpu{};
        const bool haveCpu = clock_getcpuclockid(pid, &cpu) == 0;

        const Clock::time_point deadline = t0 + patience;
        while (Clock::now() < deadline) {
            waitForEvent(deadline);
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                Window candidate = 0;
                if (event.type == CreateNotify && event.xcreatewindow.parent == root_) {
                    // Watched from birth, so no drawing can slip past.
                    const Window w = event.xcreatewindow.window;
                    damages_[w] = XDamageCreate(display_, w, XDamageReportNonEmpty);
                    candidate = w;
                } else if (event.type == MapNotify) {
                    candidate = event.xmap.window;
                } else if (event.type == damageEvent_ + XDamageNotify) {
                    const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(event);
                    XDamageSubtract(display_, d.damage, None, None);
                    candidate = d.drawable;
                }
                if (candidate != 0 && drawn(candidate, pid)) {
                    result.wallMs = ms(Clock::now() - t0);
                    result.cpuMs = haveCpu ? cpuMs(cpu) : -1;
                    result.window = candidate;
                    return result;
                }
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                running = 0;
                std::fprintf(stderr, "bench_startup: %s ended before showing a window\n",
                             argv[0].c_str());
                std::exit(1);
            }
        }
        end(pid);
        std::fprintf(stderr, "bench_startup: %s showed no drawn window within %lld s\n",
                     argv[0].c_str(), static_cast<long long>(patience.count()));
        std::exit(1);
    }

    // Ends a program started here as a user would, by closing its window,
    // so that it leaves no stale lock behind; then by signal if it lingers.
    void end(pid_t pid, Window window = 0) {
        if (window != 0) {
            XEvent close{};
            close.xclient.type = ClientMessage;
            close.xclient.window = window;
            close.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
            close.xclient.format = 32;
            close.xclient.data.l[0] =
                static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
            close.xclient.data.l[1] = CurrentTime;
            XSendEvent(display_, window, False, NoEventMask, &close);
            XFlush(display_);
        } else {
            kill(pid, SIGTERM);
        }
        int status = 0;
        bool signalled = window == 0;
        Clock::time_point deadline = Clock::now() + 3s;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                if (!signalled) {
                    kill(pid, SIGTERM);
                    signalled = true;
                    deadline = Clock::now() + 3s;
                    continue;
                }
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(2ms);
        }
        running = 0;
        drain();
    }

    // The pixels of a rectangle of a window, to see whether they change.
    std::vector<unsigned long> pixels(Window w, int x, int y, int width, int height) {
        std::vector<unsigned long> out;
        XImage* image = XGetImage(display_, w, x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return out;
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i)
                out.push_back(XGetPixel(image, i, j));
        XDestroyImage(image);
        return out;
    }

    void click(Window w, int x, int y) {
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, w, root_, x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XFlush(display_);
    }

    // Damage reports on the window until the deadline: one per redraw at most.
    int countRedraws(Window w, Clock::time_point deadline) {
        int redraws = 0;
        while (Clock::now() < deadline) {
            if (!waitForEvent(deadline))
                continue;
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == damageEvent_ + XDamageNotify) {
                    const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(event);
                    XDamageSubtract(display_, d.damage, None, None);
                    if (d.drawable == w)
                        ++redraws;
                }
            }
        }
        return redraws;
    }

    bool hasDamageExtension() const { return damageEvent_ != 0; }

private:
    bool waitForEvent(Clock::time_point deadline) {
        if (XPending(display_) > 0)
            return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        // Short waits: the program's end is noticed between events.
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        const int timeout = static_cast<int>(std::clamp<long long>(left.count(), 0, 50));
        return poll(&fd, 1, timeout) > 0 && XEventsQueued(display_, QueuedAfterReading) > 0;
    }

    void drain() {
        XSync(display_, False);
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

    // A viewable top-level of that process whose pixels are not all alike.
    bool drawn(Window w, pid_t pid) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, w, &attributes) || attributes.map_state != IsViewable ||
            attributes.width < 64 || attributes.height < 64)
            return false;
        if (windowPid(w) != pid)
            return false;
        XImage* image = XGetImage(display_, w, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return false;
        const unsigned long first = XGetPixel(image, 0, 0);
        bool varied = false;
        for (int y = 0; y < attributes.height && !varied; ++y)
            for (int x = 0; x < attributes.width && !varied; ++x)
                varied = XGetPixel(image, x, y) != first;
        XDestroyImage(image);
        return varied;
    }

    long windowPid(Window w) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        long pid = -1;
        if (XGetWindowProperty(display_, w, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format,
                               &count, &after, &data) == Success &&
            data != nullptr) {
            if (format == 32 && count == 1)
                pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
            XFree(data);
        }
        return pid;
    }

    Display* display_ = nullptr;
    Window root_ = 0;
    Atom pidAtom_ = None;
    int damageEvent_ = 0;
    std::map<Window, Damage> damages_;
};

struct Figures {
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> idleCpu;
    std::vector<double> rssMiB;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string spread(const std::vector<double>& v, const char* unit, int decimals = 1) {
    char text[96];
    std::snprintf(text, sizeof text, "%6.*f %s (%.*f..%.*f)", decimals, median(v), unit, decimals,
                  *std::min_element(v.begin(), v.end()), decimals,
                  *std::max_element(v.begin(), v.end()));
    return text;
}

void measureOnce(Server& server, const std::vector<std::string>& argv, Figures* into) {
    const Server::Start s = server.start(argv);
    // Work a program leaves until after its first paint still counts: its
    // CPU up to a second later, when a start has long settled, and its memory.
    clockid_t clock{};
    const bool haveCpu = clock_getcpuclockid(s.pid, &clock) == 0;
    std::this_thread::sleep_for(1s);
    const double idleCpu = haveCpu ? cpuMs(clock) : -1;
    const long rss = peakResidentKiB(s.pid);
    server.end(s.pid, s.window);
    if (into != nullptr) {
        into->wall.push_back(s.wallMs);
        into->cpu.push_back(s.cpuMs);
        into->idleCpu.push_back(idleCpu);
        into->rssMiB.push_back(rss / 1024.0);
    }
}

const char* verdict(bool met) {
    return met ? "met" : "NOT MET";
}

int startup(int runs, const std::string& tyrescope, const std::string& bare) {
    Server server;
    // One unmeasured start of each fills the file and font caches.
    measureOnce(server, {tyrescope}, nullptr);
    measureOnce(server, {tyrescope, "--simulate"}, nullptr);
    measureOnce(server, {bare}, nullptr);

    struct Mode {
        const char* name;
        std::vector<std::string> argv;
        Figures ours;
        Figures bare;
    };
    std::vector<Mode> modes{{"no receiver", {tyrescope}, {}, {}},
                            {"--simulate", {tyrescope, "--simulate"}, {}, {}}};
    for (int i = 0; i < runs; ++i) {
        for (Mode& mode : modes) {
            // Which of the two goes first alternates too, so a trend in the
            // machine's load favours neither.
            if (i % 2 == 0) {
                measureOnce(server, mode.argv, &mode.ours);
                measureOnce(server, {bare}, &mode.bare);
            } else {
                measureOnce(server, {bare}, &mode.bare);
                measureOnce(server, mode.argv, &mode.ours);
            }
        }
    }

    std::printf("Start to first painted window, median of %d runs (min..max)\n", runs);
    std::printf("  %-12s %-5s %-27s %-27s %-7s %s\n", "", "", "Tyrescope", "bare window", "ratio",
                "target");
    for (const Mode& mode : modes) {
        const double wall = median(mode.ours.wall) / median(mode.bare.wall);
        const double cpu = median(mode.ours.cpu) / median(mode.bare.cpu);
        const double idle = median(mode.ours.idleCpu) / median(mode.bare.idleCpu);
        std::printf("  %-12s %-5s %-27s %-27s %5.2fx  <= 1.15x %s\n", mode.name, "wall",
                    spread(mode.ours.wall, "ms").c_str(), spread(mode.bare.wall, "ms").c_str(),
                    wall, verdict(wall <= 1.15));
        std::printf("  %-12s %-5s %-27s %-27s %5.2fx  <= 1.20x %s\n", "", "CPU",
                    spread(mode.ours.cpu, "ms").c_str(), spread(mode.bare.cpu, "ms").c_str(), cpu,
                    verdict(cpu <= 1.20));
        std::printf("  %-12s %-5s %-27s %-27s %5.2fx  <= 1.25x %s\n", "", "idle",
                    spread(mode.ours.idleCpu, "ms").c_str(),
                    spread(mode.bare.idleCpu, "ms").c_str(), idle, verdict(idle <= 1.25));
    }
    std::printf("  (wall and CPU to the first paint; idle: CPU to a second after it)\n");
    std::printf("Peak resident memory, median (min..max)\n");
    for (const Mode& mode : modes) {
        const double extra = median(mode.ours.rssMiB) - median(mode.bare.rssMiB);
        std::printf("  %-18s %-27s %-27s %+5.2f MiB <= +3 MiB %s\n", mode.name,
                    spread(mode.ours.rssMiB, "MiB").c_str(),
                    spread(mode.bare.rssMiB, "MiB").c_str(), extra, verdict(extra <= 3.0));
    }
    return 0;
}

int pollCpu(int seconds, const std::string& tyrescope) {
    Server server;
    const Server::Start s = server.start({tyrescope, "--simulate"});
    std::this_thread::sleep_for(500ms);

    // "Continuous": 6960, 7080, 1455 x 375 twips, 15 twips a pixel. Its
    // caption turns to "Stop" when polling starts.
    constexpr int left = 464, top = 472, width = 97, height = 25;
    const std::vector<unsigned long> before = server.pixels(s.window, left, top, width, height);
    server.click(s.window, left + width / 2, top + height / 2);
    const Clock::time_point clicked = Clock::now();
    while (server.pixels(s.window, left, top, width, height) == before) {
        if (Clock::now() - clicked > 5s) {
            server.end(s.pid);
            std::fprintf(stderr, "bench_startup: the click on \"Continuous\" changed nothing\n");
            return 1;
        }
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(200ms);

    clockid_t clock{};
    clock_getcpuclockid(s.pid, &clock);
    const double cpu0 = cpuMs(clock);
    const Clock::time_point t0 = Clock::now();
    const int redraws = server.countRedraws(s.window, t0 + std::chrono::seconds(seconds));
    const double used = cpuMs(clock) - cpu0;
    const double wall = ms(Clock::now() - t0);
    server.end(s.pid, s.window);

    const double share = 100.0 * used / wall;
    std::printf("CPU while polling every 5 s (--simulate, %d s, %d redraws seen)\n", seconds,
                redraws);
    std::printf("  %.1f ms = %.3f%% of a core  target <= 0.2%% %s\n", used, share,
                verdict(share <= 0.2));
    return 0;
}

// Instructions are what a busy machine cannot blur: the same start counted
// by callgrind up to the moment its window shows, ended there by SIGTERM
// (on which callgrind still writes its counts).
long long instructionsToFirstPaint(Server& server, const std::string& dir, const std::string& name,
                                   std::vector<std::string> argv) {
    // Kept in DIR under the start's name, for callgrind_annotate.
    const std::string out = dir + "/callgrind." + name + ".out";
    std::remove(out.c_str());
    // A lock left by the previous start, ended by signal, would send this
    // one down the stale-lock path.
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"))
        std::remove((std::string(run) + "/tyrescope.lock").c_str());
    argv.insert(argv.begin(),
                {"/usr/bin/valgrind", "--tool=callgrind", "--log-file=" + dir + "/valgrind.log",
                 "--callgrind-out-file=" + out});
    const Server::Start s = server.start(argv, 180s);
    server.end(s.pid);
    std::ifstream counts(out);
    std::string line;
    while (std::getline(counts, line)) {
        if (line.rfind("summary:", 0) == 0 || line.rfind("totals:", 0) == 0)
            return std::atoll(line.c_str() + line.find(':') + 1);
    }
    return -1;
}

int instructions(const std::string& dir, const std::string& tyrescope, const std::string& bare) {
    Server server;
    const long long bareCount = instructionsToFirstPaint(server, dir, "bare", {bare});
    const long long plain = instructionsToFirstPaint(server, dir, "plain", {tyrescope});
    const long long simulated =
        instructionsToFirstPaint(server, dir, "simulate", {tyrescope, "--simulate"});
    std::printf("Instructions to the first painted window (callgrind, one start each)\n");
    std::printf("  bare window    %7.1f M\n", bareCount / 1e6);
    for (const auto& [name, count] : {std::pair{"no receiver", plain}, {"--simulate", simulated}}) {
        const double ratio = static_cast<double>(count) / static_cast<double>(bareCount);
        std::printf("  %-14s %7.1f M  %.2fx  <= 1.35x %s\n", name, count / 1e6, ratio,
                    verdict(ratio <= 1.35));
    }
    return 0;
}

// A program without a window, from its start to its end, its output
// discarded: wall time, and the CPU and peak memory the system counted for it.
struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
};

Run runToEnd(const std::vector<std::string>& argv) {
    const Clock::time_point t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execute(argv);
    }
    running = pid;
    int status = 0;
    rusage usage{};
    const pid_t ended = wait4(pid, &status, 0, &usage);
    const double wall = ms(Clock::now() - t0);
    running = 0;
    if (ended != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_startup: %s failed (status %d)\n", argv[0].c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        std::exit(1);
    }
    const auto msOf = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {wall, msOf(usage.ru_utime) + msOf(usage.ru_stime), usage.ru_maxrss / 1024.0};
}

int headless(int runs, const std::string& tyrescope, const std::string& core) {
    const std::vector<std::string> read{tyrescope, "--read", "--simulate"};
    // One unmeasured run of each fills the file caches.
    runToEnd(read);
    runToEnd({core});
    Figures ours;
    Figures bare;
    const auto measure = [](const std::vector<std::string>& argv, Figures& into) {
        const Run r = runToEnd(argv);
        into.wall.push_back(r.wallMs);
        into.cpu.push_back(r.cpuMs);
        into.rssMiB.push_back(r.peakMiB);
    };
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            measure(read, ours);
            measure({core}, bare);
        } else {
            measure({core}, bare);
            measure(read, ours);
        }
    }
    const double wall = median(ours.wall) / median(bare.wall);
    const double cpu = median(ours.cpu) / median(bare.cpu);
    const double extra = median(ours.rssMiB) - median(bare.rssMiB);
    std::printf("--read --simulate, start to exit, median of %d runs (min..max)\n", runs);
    std::printf("  %-18s %-27s %-27s %-7s %s\n", "", "Tyrescope", "Qt Core program", "ratio",
                "target");
    std::printf("  %-18s %-27s %-27s %5.2fx  <= 1.30x %s\n", "wall",
                spread(ours.wall, "ms", 2).c_str(), spread(bare.wall, "ms", 2).c_str(), wall,
                verdict(wall <= 1.30));
    std::printf("  %-18s %-27s %-27s %5.2fx\n", "CPU", spread(ours.cpu, "ms", 2).c_str(),
                spread(bare.cpu, "ms", 2).c_str(), cpu);
    std::printf("  %-18s %-27s %-27s %+5.2f MiB <= +3 MiB %s\n", "peak memory",
                spread(ours.rssMiB, "MiB").c_str(), spread(bare.rssMiB, "MiB").c_str(), extra,
                verdict(extra <= 3.0));
    return 0;
}

// Runs of a and b, alternating which goes first.
std::pair<Figures, Figures> alternating(int runs, const std::vector<std::string>& a,
                                        const std::vector<std::string>& b) {
    // One unmeasured run of each fills the file caches.
    runToEnd(a);
    runToEnd(b);
    std::pair<Figures, Figures> figures;
    const auto measure = [](const std::vector<std::string>& argv, Figures& into) {
        const Run r = runToEnd(argv);
        into.wall.push_back(r.wallMs);
        into.cpu.push_back(r.cpuMs);
    };
    for (int i = 0; i < runs; ++i) {
        measure(i % 2 == 0 ? a : b, i % 2 == 0 ? figures.first : figures.second);
        measure(i % 2 == 0 ? b : a, i % 2 == 0 ? figures.second : figures.first);
    }
    return figures;
}

int results(int runs, const std::string& tyrescope, const std::string& target,
            const std::string& name) {
    const std::vector<std::string> plain{tyrescope, "--read", "--simulate"};
    std::vector<std::string> storing = plain;
    storing.insert(storing.end(), {"--results", target});
    const auto [ours, bare] = alternating(runs, storing, plain);
    std::printf("--read --simulate storing its 1-cycle run in %s, start to exit, median of %d "
                "runs (min..max)\n",
                name.c_str(), runs);
    std::printf("  %-8s %-27s %-27s %s\n", "", "with --results", "without", "ratio");
    std::printf("  %-8s %-27s %-27s %5.2fx\n", "wall", spread(ours.wall, "ms", 2).c_str(),
                spread(bare.wall, "ms", 2).c_str(), median(ours.wall) / median(bare.wall));
    std::printf("  %-8s %-27s %-27s %5.2fx\n", "CPU", spread(ours.cpu, "ms", 2).c_str(),
                spread(bare.cpu, "ms", 2).c_str(), median(ours.cpu) / median(bare.cpu));
    return 0;
}

int history(int runs, const std::string& tyrescope, const std::string& target,
            const std::string& serial) {
    const std::vector<std::string> ask{tyrescope, "--history", "--results",
                                       target,    "--serial",  serial};
    runToEnd(ask);
    Figures figures;
    for (int i = 0; i < runs; ++i) {
        const Run r = runToEnd(ask);
        figures.wall.push_back(r.wallMs);
        figures.cpu.push_back(r.cpuMs);
    }
    const double wall = median(figures.wall);
    std::printf("--history --serial %s, start to exit, median of %d runs (min..max)\n",
                serial.c_str(), runs);
    std::printf("  wall %s   target < 50 ms %s\n", spread(figures.wall, "ms", 2).c_str(),
                verdict(wall < 50));
    std::printf("  CPU  %s\n", spread(figures.cpu, "ms", 2).c_str());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    std::signal(SIGINT, endRunning);
    std::signal(SIGTERM, endRunning);
    std::signal(SIGHUP, endRunning);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "startup")
        return startup(std::max(1, std::atoi(args[1].c_str())), args[2], args[3]);
    if (args.size() == 3 && args[0] == "poll")
        return pollCpu(std::max(1, std::atoi(args[1].c_str())), args[2]);
    if (args.size() == 4 && args[0] == "instructions")
        return instructions(args[1], args[2], args[3]);
    if (args.size() == 4 && args[0] == "headless")
        return headless(std::max(1, std::atoi(args[1].c_str())), args[2], args[3]);
    if (args.size() == 5 && args[0] == "results")
        return results(std::max(1, std::atoi(args[1].c_str())), args[2], args[3], args[4]);
    if (args.size() == 5 && args[0] == "history")
        return history(std::max(1, std::atoi(args[1].c_str())), args[2], args[3], args[4]);
    std::fprintf(stderr, "usage: bench_startup startup RUNS TYRESCOPE BARE\n"
                         "       bench_startup poll SECONDS TYRESCOPE\n"
                         "       bench_startup instructions DIR TYRESCOPE BARE\n"
                         "       bench_startup headless RUNS TYRESCOPE CORE\n"
                         "       bench_startup results RUNS TYRESCOPE TARGET NAME\n"
                         "       bench_startup history RUNS TYRESCOPE TARGET SERIAL\n");
    return 2;
}
