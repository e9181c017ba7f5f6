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
#include "platform/application.h"
#include "platform/wineprefix.h"

namespace {

int runQuorvane(int argc, char **argv)
{
    qv::Application app(argc, argv);
    qv::setApplicationTitle(QStringLiteral("Quorvane 3.01"));
    installFontSubstitutions();
    TForm1 form;
    form.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

int runBare(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(TForm1::ClientWidth, TForm1::ClientHeight);
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
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
        return runBare(argc, argv);

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

    // One warm-up each, so both find the libraries in the page cache.
    spawn(self, "--bare");
    spawn(self, "--quorvane");
    std::vector<double> bareMs, qvMs;
    std::vector<long> bareKb, qvKb;
    for (int i = 0; i < runs; ++i) {
        const Sample b = spawn(self, "--bare");
        const Sample q = spawn(self, "--quorvane");
        bareMs.push_back(b.ms);
        bareKb.push_back(b.peakKb);
        qvMs.push_back(q.ms);
        qvKb.push_back(q.peakKb);
    }
    const double tb = median(bareMs), tq = median(qvMs);
    const long mb = median(bareKb), mq = median(qvKb);
    std::printf("start to window shown, median of %d runs each (offscreen, sample prefix)\n", runs);
    std::printf("  bare Qt window   %8.1f ms   peak %7ld KiB\n", tb, mb);
    std::printf("  Quorvane TForm1  %8.1f ms   peak %7ld KiB\n", tq, mq);
    std::printf("  ratio time %.2fx   ratio memory %.2fx   (target 1.30x)\n", tq / tb, double(mq) / double(mb));
    return 0;
}
