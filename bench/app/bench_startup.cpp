// How long the real program takes from its start to its main window on the
// screen: with no drive, beside a minimal Qt Widgets program with a menu
// bar, a tool bar and a status bar started in turn with it (an absolute
// time means little on a shared machine, the ratio more), and with one
// mounted Video CD image holding 2,000 files (searched at start). Median of
// 10 runs each, in milliseconds.
//   xbench_app_startup [--against-minimal]
// --against-minimal: only the comparison with the minimal program.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

// Xlib last: its macros clash with Qt's names.
#include "../../tests/support/XWindows.h"

namespace {

struct Program {
    QString path;
    const char* title;
};

const Program lumadeckProgram{QString(LUMADECK_BUILD_DIR) + "/lumadeck", "Lumadeck Player."};
const Program minimalProgram{QString(LUMADECK_BUILD_DIR) + "/bench/app/xbench_minimal_window",
                             "Minimal Qt window."};

// One start: milliseconds until the main window is viewable, or -1.
double startOnce(::Display* dpy, const QString& home, const Program& what) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    program.start(what.path, {});
    if (!program.waitForStarted(10000)) {
        return -1;
    }
    double shown = -1;
    std::vector<Window> windows;
    while (clock.elapsed() < 60000) {
        windows = xtest::findWindows(dpy, what.title);
        if (!windows.empty()) {
            shown = clock.nsecsElapsed() / 1e6;
            break;
        }
        QThread::usleep(2000);
    }
    if (!windows.empty()) {
        xtest::requestClose(dpy, windows.front());
    }
    if (!program.waitForFinished(20000)) {
        program.kill();
        program.waitForFinished(5000);
    }
    return shown;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : (v[v.size() / 2] + v[(v.size() - 1) / 2]) / 2;
}

void print(const char* label, const std::vector<double>& times) {
    std::printf("startup to main window, %s: median %.0f ms over %zu runs (min %.0f, max %.0f)\n",
                label, median(times), times.size(),
                times.empty() ? -1 : *std::min_element(times.begin(), times.end()),
                times.empty() ? -1 : *std::max_element(times.begin(), times.end()));
    std::fflush(stdout);
}

std::vector<double> startTimes(::Display* dpy, const Program& what, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir home;
        const double t = startOnce(dpy, home.path(), what);
        if (t >= 0) {
            times.push_back(t);
        }
    }
    return times;
}

void measure(::Display* dpy, const char* label) {
    print(label, startTimes(dpy, lumadeckProgram, 10));
}

// The program and the minimal one started in turn, so that both see the
// same load; the goal is a ratio of at most 1.3.
void measureAgainstMinimal(::Display* dpy) {
    std::vector<double> program, minimal;
    for (int i = 0; i < 10; ++i) {
        const auto a = startTimes(dpy, lumadeckProgram, 1);
        const auto b = startTimes(dpy, minimalProgram, 1);
        program.insert(program.end(), a.begin(), a.end());
        minimal.insert(minimal.end(), b.begin(), b.end());
    }
    print("no drives", program);
    print("minimal Qt program (menu, tool and status bar)", minimal);
    if (program.empty() || minimal.empty() || median(minimal) <= 0) {
        std::printf("startup ratio to the minimal Qt program: n/a\n");
    } else {
        std::printf("startup ratio to the minimal Qt program: %.2f (goal <= 1.30)\n",
                    median(program) / median(minimal));
    }
    std::fflush(stdout);
}

bool have(const char* tool) {
    return !QStandardPaths::findExecutable(tool).isEmpty();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    xtest::Display x;
    if (!x.dpy) {
        std::printf("startup benchmark: no X server\n");
        return 1;
    }
    measureAgainstMinimal(x.dpy);
    if (app.arguments().contains("--against-minimal")) {
        return 0;
    }

    if (!have("genisoimage") || !have("fuseiso") || !have("fusermount")) {
        std::printf("startup benchmark: genisoimage or fuseiso missing, image run skipped\n");
        return 0;
    }
    QTemporaryDir tmp;
    const QString root = QDir(tmp.path()).canonicalPath();
    QDir().mkpath(root + "/src/MPEGAV");
    QDir().mkpath(root + "/mnt");
    QFile track(root + "/src/MPEGAV/AVSEQ01.DAT");
    track.open(QIODevice::WriteOnly);
    track.write(QByteArray(64 * 1024, 'x'));
    track.close();
    for (int f = 0; f < 1999; ++f) {
        const QString folder = QString("%1/src/CLIPS%2").arg(root).arg(f / 20, 3, 10, QChar('0'));
        QDir().mkpath(folder);
        QFile clip(QString("%1/C%2.MPG").arg(folder).arg(f, 4, 10, QChar('0')));
        clip.open(QIODevice::WriteOnly);
        clip.write(QByteArray(512, 'v'));
    }
    if (QProcess::execute("genisoimage", {"-quiet", "-V", "VCD_ONE", "-o", root + "/vcd.iso",
                                          root + "/src"}) != 0 ||
        QProcess::execute("fuseiso", {root + "/vcd.iso", root + "/mnt"}) != 0) {
        std::printf("startup benchmark: could not mount the image, image run skipped\n");
        return 0;
    }
    measure(x.dpy, "one image drive with 2,000 files");
    QProcess::execute("fusermount", {"-u", root + "/mnt"});
    return 0;
}
