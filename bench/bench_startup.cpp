// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Start-up time and peak memory of Quorvane's main window next to the same
// layout built from stock Qt widgets with no logic plus a raw read of the
// prefix's hive files, which Quorvane must read before its window shows
// (the fair floor: goal 1.05x), and, for the record, the stock layout alone
// (the old floor) and a bare Qt window. All start as fresh processes from
// this one program, alternately, in the same run.
//
//   bench_startup [runs]        (default 15 runs of each)
//
// Quorvane runs on a fresh sample prefix made by scripts/make-demo-prefix
// whose system.reg is grown to what a used prefix holds (thousands of keys,
// about 1.7 MB), on the offscreen platform; "shown" is the first pass of the
// event loop after show(), when the window's first paint has been handled.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QXmlStreamReader>

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

#include "benchsupport.h"
#include "mainform.h"
#include "platform/ui/application.h"
#include "platform/ui/windowed.h"
#include "platform/wine/wineprefix.h"
#include "quorvaneversion.h"

// The pictures are in the application library's resources; the stock
// window reaches them as the main window does. (Outside any namespace: the
// macro names a global function.)
static void initStockResources() { Q_INIT_RESOURCE(resources); }

namespace {

int runQuorvane(int argc, char **argv)
{
    qv::Application app(argc, argv);
    qv::ui::registerWindows();
    qv::setApplicationTitle(QStringLiteral(QUORVANE_TITLE));
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

// The main window's layout as plain records for the stock window, read in
// this (parent) process so the child pays nothing for it: one record per
// widget, fields apart by 0x1f, records by 0x1e.
QByteArray flattenLayout(const QString &uiFile)
{
    QFile f(uiFile);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QXmlStreamReader xml(&f);
    QStringList records;
    QStringList current; // class, x, y, w, h, bold, text, picture
    QString property;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("widget")) {
                ++depth;
                if (depth == 2)
                    current = {xml.attributes().value(QLatin1String("class")).toString(), "0", "0", "0", "0", "0", "", ""};
            } else if (name == QLatin1String("property") && depth == 2) {
                property = xml.attributes().value(QLatin1String("name")).toString();
            } else if (depth == 2 && property == QLatin1String("geometry")) {
                static const QStringList fields{"x", "y", "width", "height"};
                const int at = fields.indexOf(name.toString());
                if (at >= 0)
                    current[1 + at] = xml.readElementText();
            } else if (depth == 2 && name == QLatin1String("bold")) {
                current[5] = xml.readElementText() == QLatin1String("true") ? "1" : "0";
            } else if (depth == 2 && name == QLatin1String("string")) {
                const QString text = xml.readElementText();
                if (property == QLatin1String("Caption") || property == QLatin1String("text")
                    || property == QLatin1String("plainText"))
                    current[6] = text;
                else if (property == QLatin1String("picture"))
                    current[7] = text;
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("widget")) {
                if (depth == 2)
                    records << current.join(QChar(0x1f));
                --depth;
            } else if (xml.name() == QLatin1String("property")) {
                property.clear();
            }
        }
    }
    return records.join(QChar(0x1e)).toUtf8();
}

// The prefix's three hive files read whole, as raw bytes, and kept (as a
// reader of them keeps what it read) until the window is gone.
std::vector<QByteArray> g_hives;

void readHiveFiles()
{
    const QByteArray prefix = qgetenv("WINEPREFIX");
    for (const char *name : {"/system.reg", "/user.reg", "/userdef.reg"}) {
        QFile f(QString::fromLocal8Bit(prefix + name));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_startup: could not read %s\n", qPrintable(f.fileName()));
            std::exit(1);
        }
        g_hives.push_back(f.readAll());
    }
}

// The same layout from stock widgets: a check box for each flat check box,
// a push button for each flat button, stock labels, list and text box, the
// same pictures decoded by Qt's own image readers, the same font. No logic.
int runStock(int argc, char **argv, bool readHives)
{
    QApplication app(argc, argv);
    if (readHives)
        readHiveFiles();
    initStockResources();
    QWidget window;
    window.setWindowTitle(QStringLiteral(QUORVANE_TITLE));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    window.setFont(font);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, Qt::white);
    window.setPalette(pal);
    window.setAutoFillBackground(true);
    const QString layout = QString::fromUtf8(qgetenv("QV_BENCH_LAYOUT"));
    for (const QString &record : layout.split(QChar(0x1e), Qt::SkipEmptyParts)) {
        const QStringList f = record.split(QChar(0x1f));
        const QString &cls = f[0];
        QWidget *w = nullptr;
        if (cls == QLatin1String("TFlatCheckBox")) {
            auto *box = new QCheckBox(f[6], &window);
            box->setChecked(true);
            w = box;
        } else if (cls == QLatin1String("TFlatButton")) {
            auto *button = new QPushButton(f[6], &window);
            button->setIcon(QPixmap(f[6] == QLatin1String("Optimize") ? QStringLiteral(":/pictures/optimize.bmp")
                                                                       : QStringLiteral(":/pictures/restore.bmp")));
            w = button;
        } else if (cls == QLatin1String("TFlatMemo")) {
            auto *memo = new QPlainTextEdit(f[6], &window);
            memo->setReadOnly(true);
            memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            w = memo;
        } else if (cls == QLatin1String("TListView")) {
            w = new QListWidget(&window);
        } else if (cls == QLatin1String("TLabel") || cls == QLatin1String("TImage")) {
            auto *label = new QLabel(f[6], &window);
            const QString picture = f[7].isEmpty() && cls == QLatin1String("TImage")
                ? QStringLiteral(":/pictures/banner.jpg") : f[7];
            if (!picture.isEmpty())
                label->setPixmap(QPixmap(picture));
            w = label;
        }
        if (!w)
            continue;
        if (f[5] == QLatin1String("1")) {
            QFont bold = w->font();
            bold.setBold(true);
            w->setFont(bold);
        }
        w->setGeometry(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
    }
    window.setFixedSize(TForm1::ClientWidth, TForm1::ClientHeight);
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

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quorvane") == 0)
        return runQuorvane(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--stock") == 0)
        return runStock(argc, argv, false);
    if (argc > 1 && std::strcmp(argv[1], "--stock-hives") == 0)
        return runStock(argc, argv, true);
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return runBare(argc, argv, false);
    if (argc > 1 && std::strcmp(argv[1], "--bare-text") == 0)
        return runBare(argc, argv, true);

    const int runs = bench::rounds(argc, argv, 15, 3);
    QTemporaryDir tmp;
    const QString prefix = tmp.filePath(QStringLiteral("prefix"));
    if (!bench::makeDemoPrefix(prefix))
        return 1;
    const int keys = bench::growSystemHive(prefix);
    if (keys < 0) {
        std::fprintf(stderr, "bench_startup: could not grow %s/system.reg\n", qPrintable(prefix));
        return 1;
    }
    const QString ui = QStringLiteral(QV_SOURCE_PATH "/resources/mainform.ui");
    const QByteArray layout = flattenLayout(ui);
    if (layout.isEmpty()) {
        std::fprintf(stderr, "bench_startup: could not read the layout %s\n", qPrintable(ui));
        return 1;
    }
    setenv("QV_BENCH_LAYOUT", layout.constData(), 1);
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
    Series series[] = {{"--bare", "bare Qt window"},
                       {"--bare-text", "bare window + label"},
                       {"--stock", "same layout, stock"},
                       {"--stock-hives", "stock + hives read"},
                       {"--quorvane", "Quorvane TForm1"}};
    // One warm-up each, so all find the libraries in the page cache; then
    // they alternate, so a busy moment of the machine hits them alike.
    for (Series &s : series)
        spawn(self, s.mode);
    // Every other round in reverse order, so that none always follows the same one.
    const int count = int(std::size(series));
    for (int i = 0; i < runs; ++i)
        for (int k = 0; k < count; ++k) {
            Series &s = series[i % 2 == 0 ? k : count - 1 - k];
            const Sample sample = spawn(self, s.mode);
            s.ms.push_back(sample.ms);
            s.kb.push_back(sample.peakKb);
        }
    // The fastest run is the one least disturbed by the rest of a shared
    // machine; the median says what a typical start costs.
    std::printf("start to window shown, %d runs each (offscreen, sample prefix, system.reg %lld bytes, %d keys)\n",
                runs, static_cast<long long>(QFileInfo(prefix + QStringLiteral("/system.reg")).size()), keys);
    std::printf("                          fastest     median     slowest  peak memory\n");
    for (const Series &s : series) {
        const bench::Figures f = bench::figures(s.ms);
        std::printf("  %-20s %8.1f ms %8.1f ms %8.1f ms %8ld KiB\n", s.label, f.min, f.median, f.max,
                    long(bench::median(std::vector<double>(s.kb.begin(), s.kb.end()))));
    }
    // Each round's starts ran side by side, so their ratio is the least
    // disturbed by the machine's other work. The fair floor comes first.
    const Series &q = series[4];
    const double goals[] = {1.30, 1.30, 1.05, 1.05};
    for (int base : {3, 2, 0, 1}) {
        const std::string what = std::string("to ") + series[base].label;
        bench::printRatio(what.c_str(), bench::ratios(q.ms, series[base].ms), goals[base]);
    }
    std::printf("  memory to the stock layout + hives %.2fx\n",
                bench::median(std::vector<double>(q.kb.begin(), q.kb.end()))
                    / bench::median(std::vector<double>(series[3].kb.begin(), series[3].kb.end())));
    return 0;
}
