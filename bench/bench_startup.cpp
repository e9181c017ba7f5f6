// Start-up time and peak memory of Quorvane's main window next to a bare Qt
// window, both started as fresh processes from this one program, alternately,
// in the same run. Prints medians and ratios (target: within 1.3x).
//
//   bench_startup [runs]        (default 15 runs of each)
//
// Quorvane runs on a fresh sample prefix made by scripts/make-demo-prefix, on
// the offscreen platform; "shown" is the first pass of the event loop after
// show(), when the window's first paint has been handled.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "mainform.h"
#include "platform/ui/application.h"
#include "platform/ui/windows.h"
#include "platform/wineprefix.h"

namespace {

int runQuorvane(int argc, char **argv)
{
    qv::Application app(argc, argv);
    qv::ui::registerWindows();
    qv::setApplicationTitle(QStringLiteral("Quorvane 3.01"));
    installApplicationFonts();
    TForm1 form;
    form.show();
    // exit(), not quit(): quit() would first ask the window to close.
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}

int runBare(int argc, char **argv, bool withText)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(TForm1::ClientWidth, TForm1::ClientHeight);
    // One line of text: the least any window with words in it pays (the
    // font system's start).
    QLabel label(QStringLiteral("Ready."), &window);
    label.setVisible(withText);
    window.show();
    // exit(), not quit(): quit() would first ask the window to close.
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}

struct Sample
{
    double ms;
    long peakKb;
};

Sample spawn(const char *self, const char *mode)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(self, self, mode, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_startup: %s run failed (status %d)\n", mode, status);
        std::exit(1);
    }
    return {ms, usage.ru_maxrss};
}

template <typename T>
T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quorvane") == 0)
        return runQuorvane(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return runBare(argc, argv, false);
    if (argc > 1 && std::strcmp(argv[1], "--bare-text") == 0)
        return runBare(argc, argv, true);

    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    QTemporaryDir tmp;
    const QString prefix = tmp.filePath(QStringLiteral("prefix"));
    const QString script = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../scripts/make-demo-prefix"));
    const std::string make = "'" + script.toStdString() + "' '" + prefix.toStdString() + "' >/dev/null";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bench_startup: could not make the sample prefix with %s\n", qPrintable(script));
        return 1;
    }
    setenv("WINEPREFIX", prefix.toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    self[n] = 0;

    struct Series
    {
        const char *mode, *label;
        std::vector<double> ms = {};
        std::vector<long> kb = {};
    };
    Series series[] = {{"--bare", "bare Qt window"}, {"--bare-text", "bare window + label"}, {"--quorvane", "Quorvane TForm1"}};
    // One warm-up each, so all find the libraries in the page cache; then
    // the three alternate, so a busy moment of the machine hits them alike.
    for (Series &s : series)
        spawn(self, s.mode);
    for (int i = 0; i < runs; ++i)
        for (Series &s : series) {
            const Sample sample = spawn(self, s.mode);
            s.ms.push_back(sample.ms);
            s.kb.push_back(sample.peakKb);
        }
    // The fastest run is the one least disturbed by the rest of a shared
    // machine; the median says what a typical start costs.
    std::printf("start to window shown, %d runs each (offscreen, sample prefix)\n", runs);
    std::printf("                        median     fastest    peak memory\n");
    for (const Series &s : series)
        std::printf("  %-20s %7.1f ms %7.1f ms %8ld KiB\n", s.label, median(s.ms),
                    *std::min_element(s.ms.begin(), s.ms.end()), median(s.kb));
    const Series &q = series[2];
    for (int base = 0; base < 2; ++base) {
        const Series &b = series[base];
        std::printf("  ratio to %-19s time %.2fx (fastest %.2fx)  memory %.2fx   (target 1.30x)\n", b.label,
                    median(q.ms) / median(b.ms),
                    *std::min_element(q.ms.begin(), q.ms.end()) / *std::min_element(b.ms.begin(), b.ms.end()),
                    double(median(q.kb)) / double(median(b.kb)));
    }
    return 0;
}
