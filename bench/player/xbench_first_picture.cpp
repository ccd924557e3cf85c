// Starts a player as a user would (its command line given here) and
// measures it from outside, the same way for every player:
//  - command start to first picture on the screen: the X server's screen
//    (black, nothing else on it) is read every few milliseconds through
//    shared memory until the test clips' pattern shows: patches of four or
//    more strongly coloured hues, as no window frame, splash screen, menu or
//    tool bar has;
//  - CPU seconds per second while playing: of the player's whole process
//    tree, over MEASURE seconds starting SETTLE seconds after the first
//    picture (the screen is no longer read then, but at its start and end:
//    a picture that stood still gives no figure);
//  - peak memory: the sum of VmHWM over the process tree at the end of that
//    span.
// The player then gets SIGTERM (its process group), SIGKILL if it lingers.
// One line on standard output:
//   first-picture-ms N cpu-s-per-s C peak-kb K
// with "n/a" for a figure that could not be taken, and a reason on
// standard error; the exit status is 0 only when all three were taken.
//
//   xbench_first_picture [--settle S] [--measure S] [--timeout S]
//                        [--resize NAME WxH] [--exclude NAME]... -- COMMAND [ARGS...]
// --measure 0: the first picture only.
// --resize NAME WxH: the first top-level window whose title holds NAME is
//   resized to W x H as soon as it shows and again at the first picture, as
//   a user would drag it (for a player with no option for its window's
//   size).
// --exclude: processes of that name (as in /proc/PID/comm) are left out of
// the CPU and memory sums, e.g. the private session bus a run starts.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The screen read through a shared memory segment; owns the image, the
// segment and its attachment to the server.
class ScreenReader {
public:
    explicit ScreenReader(Display* dpy) : m_dpy(dpy) {
        const int screen = DefaultScreen(dpy);
        m_root = RootWindow(dpy, screen);
        if (!XShmQueryExtension(dpy)) {
            return;
        }
        m_image =
            XShmCreateImage(dpy, DefaultVisual(dpy, screen), DefaultDepth(dpy, screen), ZPixmap,
                            nullptr, &m_shm, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen));
        if (!m_image) {
            return;
        }
        m_shm.shmid = shmget(IPC_PRIVATE, size_t(m_image->bytes_per_line) * m_image->height,
                             IPC_CREAT | 0600);
        if (m_shm.shmid < 0) {
            return;
        }
        m_shm.shmaddr = m_image->data = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
        m_shm.readOnly = False;
        m_attached = XShmAttach(dpy, &m_shm);
        XSync(dpy, False);
        // Marked for removal now: it goes when both sides have detached.
        shmctl(m_shm.shmid, IPC_RMID, nullptr);
    }
    ~ScreenReader() {
        if (m_attached) {
            XShmDetach(m_dpy, &m_shm);
        }
        if (m_image) {
            if (m_shm.shmaddr) {
                shmdt(m_shm.shmaddr);
            }
            m_image->data = nullptr;
            XDestroyImage(m_image);
        }
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    bool ok() const { return m_attached && m_image && m_image->bits_per_pixel == 32; }

    // A digest of the whole screen, to tell a moving picture from a frozen one.
    uint64_t digest() {
        if (!XShmGetImage(m_dpy, m_root, m_image, 0, 0, AllPlanes)) {
            return 0;
        }
        uint64_t h = 14695981039346656037ull;
        const size_t bytes = size_t(m_image->bytes_per_line) * m_image->height;
        for (size_t i = 0; i < bytes; i += 4) {
            h = (h ^ *reinterpret_cast<const uint32_t*>(m_image->data + i)) * 1099511628211ull;
        }
        return h;
    }

    // Whether the test clips' pattern shows: strongly coloured pixels of at
    // least four of the six hues red, yellow, green, cyan, blue and magenta,
    // each on a fair patch (every second pixel of every second row counted).
    // A splash screen, an icon or a slider has one or two such hues.
    bool patternShows() {
        if (!XShmGetImage(m_dpy, m_root, m_image, 0, 0, AllPlanes)) {
            return false;
        }
        long hues[6] = {};
        for (int y = 0; y < m_image->height; y += 2) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                m_image->data + size_t(y) * m_image->bytes_per_line);
            for (int x = 0; x < m_image->width; x += 2) {
                const uint32_t p = row[x];
                const int r = int((p >> 16) & 0xff), g = int((p >> 8) & 0xff), b = int(p & 0xff);
                const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
                if (hi < 128 || hi - lo < 96) {
                    continue;
                }
                // The hue in sixths of a turn, rounded to the nearest of the six.
                const double c = hi - lo;
                double h = hi == r ? (g - b) / c : hi == g ? 2 + (b - r) / c : 4 + (r - g) / c;
                h = h < 0 ? h + 6 : h;
                ++hues[int(h + 0.5) % 6];
            }
        }
        return std::count_if(std::begin(hues), std::end(hues), [](long n) { return n >= 300; }) >=
               4;
    }

private:
    Display* m_dpy;
    Window m_root = 0;
    XImage* m_image = nullptr;
    XShmSegmentInfo m_shm{};
    bool m_attached = false;
};

// Resizes the first top-level window whose title holds name; false while
// there is none.
bool resizeWindow(Display* dpy, const std::string& name, unsigned width, unsigned height) {
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &rootReturn, &parent, &children, &count)) {
        return false;
    }
    std::unique_ptr<Window, int (*)(void*)> owned(children, XFree);
    for (unsigned k = 0; k < count; ++k) {
        XWindowAttributes attrs;
        char* title = nullptr;
        if (!XGetWindowAttributes(dpy, children[k], &attrs) || attrs.map_state != IsViewable ||
            !XFetchName(dpy, children[k], &title) || !title) {
            continue;
        }
        const bool match = std::strstr(title, name.c_str()) != nullptr;
        XFree(title);
        if (match) {
            XResizeWindow(dpy, children[k], width, height);
            XFlush(dpy);
            return true;
        }
    }
    return false;
}

int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

struct ProcessInfo {
    int parent = 0;
    std::string name;
    double cpuSeconds = 0;
};

std::map<int, ProcessInfo> allProcesses() {
    std::map<int, ProcessInfo> result;
    const long ticks = sysconf(_SC_CLK_TCK);
    std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
    if (!proc) {
        return result;
    }
    while (dirent* entry = readdir(proc.get())) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0) {
            continue;
        }
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        ProcessInfo info;
        info.name = text.substr(open + 1, close - open - 1);
        // Fields after the name: state ppid ... utime (14th field) stime (15th).
        std::istringstream rest(text.substr(close + 2));
        std::vector<std::string> fields;
        std::string f;
        while (rest >> f && fields.size() < 13) {
            fields.push_back(f);
        }
        if (fields.size() < 13) {
            continue;
        }
        info.parent = std::atoi(fields[1].c_str());
        info.cpuSeconds = (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / ticks;
        result[pid] = info;
    }
    return result;
}

// The process ids of root and all its descendants, less excluded names.
std::vector<int> processTree(int root, const std::set<std::string>& exclude,
                             const std::map<int, ProcessInfo>& all) {
    std::set<int> tree{root};
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [pid, info] : all) {
            if (tree.count(info.parent) && tree.insert(pid).second) {
                grew = true;
            }
        }
    }
    std::vector<int> result;
    for (int pid : tree) {
        const auto it = all.find(pid);
        if (it != all.end() && !exclude.count(it->second.name)) {
            result.push_back(pid);
        }
    }
    return result;
}

double treeCpu(int root, const std::set<std::string>& exclude) {
    const auto all = allProcesses();
    double sum = 0;
    for (int pid : processTree(root, exclude, all)) {
        sum += all.at(pid).cpuSeconds;
    }
    return sum;
}

long treePeakKb(int root, const std::set<std::string>& exclude) {
    long sum = 0;
    for (int pid : processTree(root, exclude, allProcesses())) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmHWM:", 0) == 0) {
                sum += std::atol(line.c_str() + 6);
            }
        }
    }
    return sum;
}

bool alive(int pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

void stop(int pid) {
    kill(-pid, SIGTERM);
    for (int i = 0; i < 40 && alive(pid); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int usage() {
    std::fprintf(stderr, "usage: xbench_first_picture [--settle S] [--measure S] [--timeout S] "
                         "[--resize NAME WxH] [--exclude NAME]... -- COMMAND [ARGS...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    double settle = 2, measure = 5, timeout = 30;
    std::set<std::string> exclude;
    std::string resizeName;
    unsigned resizeWidth = 0, resizeHeight = 0;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) {
            return usage();
        }
        if (a == "--settle") {
            settle = std::atof(argv[++i]);
        } else if (a == "--measure") {
            measure = std::atof(argv[++i]);
        } else if (a == "--timeout") {
            timeout = std::atof(argv[++i]);
        } else if (a == "--resize" && i + 2 < argc) {
            resizeName = argv[++i];
            if (std::sscanf(argv[++i], "%ux%u", &resizeWidth, &resizeHeight) != 2) {
                return usage();
            }
        } else if (a == "--exclude") {
            exclude.insert(argv[++i]);
        } else {
            return usage();
        }
    }
    if (i >= argc) {
        return usage();
    }
    std::unique_ptr<Display, DisplayCloser> dpy(XOpenDisplay(nullptr));
    if (!dpy) {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    // Windows come and go while they are looked at.
    XSetErrorHandler(ignoreXErrors);
    ScreenReader screen(dpy.get());
    if (!screen.ok()) {
        std::fprintf(stderr, "the screen cannot be read through shared memory\n");
        return 2;
    }
    if (screen.patternShows()) {
        std::fprintf(stderr, "the screen is not clear before the start\n");
        return 2;
    }

    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execvp(argv[i], argv + i);
        std::fprintf(stderr, "cannot start %s: %s\n", argv[i], std::strerror(errno));
        _exit(127);
    }
    setpgid(child, child);

    // Stopped first, so that the reason is the last line on standard error.
    auto fail = [&](const char* why, const char* shown) {
        stop(child);
        std::fprintf(stderr, "%s\n", why);
        std::printf("%s\n", shown);
        return 1;
    };

    double firstMs = -1;
    bool resized = resizeName.empty();
    while (secondsSince(start) < timeout) {
        if (!resized) {
            resized = resizeWindow(dpy.get(), resizeName, resizeWidth, resizeHeight);
        }
        if (screen.patternShows()) {
            firstMs = secondsSince(start) * 1000;
            break;
        }
        if (!alive(child)) {
            return fail("the player ended before a picture showed",
                        "first-picture-ms n/a cpu-s-per-s n/a peak-kb n/a");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    if (firstMs < 0) {
        return fail("no picture within the time allowed",
                    "first-picture-ms n/a cpu-s-per-s n/a peak-kb n/a");
    }

    if (measure <= 0) {
        stop(child);
        std::printf("first-picture-ms %.0f cpu-s-per-s n/a peak-kb n/a\n", firstMs);
        return 0;
    }
    // Once more: a player may size its window to the picture when that comes.
    if (!resizeName.empty()) {
        resizeWindow(dpy.get(), resizeName, resizeWidth, resizeHeight);
    }
    const auto firstPicture = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(settle));
    const double cpu0 = treeCpu(child, exclude);
    const auto t0 = Clock::now();
    const uint64_t screenBefore = screen.digest();
    std::this_thread::sleep_for(std::chrono::duration<double>(measure));
    const double cpu1 = treeCpu(child, exclude);
    const double wall = secondsSince(t0);
    const long peakKb = treePeakKb(child, exclude);
    const bool stillPlaying = alive(child);
    const bool moved = screen.digest() != screenBefore;
    stop(child);

    char line[160];
    if (!stillPlaying) {
        std::fprintf(stderr, "the player ended %.1f s after its first picture\n",
                     secondsSince(firstPicture));
        std::snprintf(line, sizeof line, "first-picture-ms %.0f cpu-s-per-s n/a peak-kb n/a",
                      firstMs);
        std::printf("%s\n", line);
        return 1;
    }
    if (!moved) {
        std::fprintf(stderr, "the picture stood still while measured\n");
        std::printf("first-picture-ms %.0f cpu-s-per-s n/a peak-kb n/a\n", firstMs);
        return 1;
    }
    std::printf("first-picture-ms %.0f cpu-s-per-s %.3f peak-kb %ld\n", firstMs,
                (cpu1 - cpu0) / wall, peakKb);
    return 0;
}
