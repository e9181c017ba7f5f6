// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/commandline.h"
#include "quorvaneversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

namespace qv {

namespace {

const QString kProgram = QStringLiteral("quorvane");

// The options QGuiApplication, QApplication and the xcb platform take out of
// argv themselves: accepted here so that a desktop session restoring the
// program with -session, or a user asking for -style, is no usage error.
const char *const kQtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowtitle", "title", "qwindowicon", "icon", "session", "style", "stylesheet",
    "display", "name", "visual", "qmljsdebugger",
};
const char *const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "testability"};

struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays this help and exits.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays the version and exits.")};
    QCommandLineOption prefix{QStringLiteral("prefix"),
                              QStringLiteral("Works on the Wine prefix in <DIR>, as WINEPREFIX=<DIR> would."),
                              QStringLiteral("DIR")};
};

void setUp(QCommandLineParser &parser, const Options &options)
{
    // Qt's own options are single-dash words (-platform, -style).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Makes Adobe Reader in a Wine prefix start faster and show fewer distractions.\n"
                       "Without options it opens its window on the Wine prefix named by WINEPREFIX;\n"
                       "when that is not set, on the prefix that holds Adobe Reader, wherever Wine or\n"
                       "a prefix manager (Bottles, PlayOnLinux, Lutris, CrossOver, winetricks) keeps it,\n"
                       "asking which when several do."));
    parser.addOption(options.help);
    parser.addOption(options.version);
    parser.addOption(options.prefix);
    for (const char *name : kQtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : kQtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// The value of Qt's option name in arguments, read as Qt reads it (-name
// value or --name value; the last one counts), or an empty text.
QString qtOptionValue(const QStringList &arguments, const QString &name)
{
    QString value;
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        QString word = arguments[i];
        if (word.startsWith(QLatin1String("--")))
            word.remove(0, 1);
        if (word == QLatin1Char('-') + name)
            value = arguments[++i];
    }
    return value;
}

QtMessageHandler g_previousHandler = nullptr;

// Qt ends the program with abort() when no window system could be reached
// (a DISPLAY whose server is gone, a missing platform plugin). The check
// before the application object catches the usual case; this one turns the
// rest into the same one-line message and exit code instead of a core dump.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg && message.contains(QLatin1String("no Qt platform plugin could be initialized"))) {
        const QString line = QStringLiteral("%1: cannot open a window: Qt found no usable display "
                                            "or window system plug-in (see above); "
                                            "start it in a desktop session, check DISPLAY, or install "
                                            "qt6-qpa-plugins\n")
                                 .arg(kProgram);
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    g_previousHandler(type, context, message);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options options;
    setUp(parser, options);
    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::UsageError;
        result.error = parser.errorText();
    } else if (parser.isSet(options.help)) {
        result.action = CommandLine::Action::ShowHelp;
    } else if (parser.isSet(options.version)) {
        result.action = CommandLine::Action::ShowVersion;
    } else if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(options.prefix)) {
        result.prefix = parser.value(options.prefix);
        // An empty WINEPREFIX means ~/.wine; from "--prefix $UNSET" that
        // would silently change the wrong prefix.
        if (result.prefix.isEmpty()) {
            result.action = CommandLine::Action::UsageError;
            result.error = QStringLiteral("--prefix needs the folder of a Wine prefix.");
        }
    }
    return result;
}

QString commandLineHelp()
{
    QCommandLineParser parser;
    const Options options;
    setUp(parser, options);
    return parser.helpText()
        + QStringLiteral("\nQt's own options (-platform, -style, -display, ...) are accepted as well.\n"
                         "Exit status: 0 when the window was closed, 1 when there is no display or no\n"
                         "Wine prefix, 2 for a wrong option.\n");
}

QString versionText()
{
    return QStringLiteral("%1 %2\n").arg(kProgram, QStringLiteral(QUORVANE_VERSION));
}

QString missingDisplayMessage(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QString platform = qtOptionValue(arguments, QStringLiteral("platform"));
    if (platform.isEmpty())
        platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    QStringList candidates = platform.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (candidates.isEmpty()) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        // Unset, Qt picks xcb, or wayland in a Wayland session.
        candidates = {QStringLiteral("xcb"), QStringLiteral("wayland")};
#else
        // Windows and macOS always have their own window system.
        return QString();
#endif
    }

    QStringList missing;
    for (const QString &candidate : candidates) {
        const QString name = candidate.section(QLatin1Char(':'), 0, 0);
        if (name.startsWith(QLatin1String("xcb"))) {
            if (!environment.value(QStringLiteral("DISPLAY")).isEmpty()
                || !qtOptionValue(arguments, QStringLiteral("display")).isEmpty())
                return QString();
            missing << QStringLiteral("DISPLAY");
        } else if (name.startsWith(QLatin1String("wayland"))) {
            if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
                || !environment.value(QStringLiteral("WAYLAND_SOCKET")).isEmpty())
                return QString();
            // Asked for by name, Wayland also tries the default socket.
            const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
            if (!platform.isEmpty() && !runtime.isEmpty()
                && QFileInfo::exists(runtime + QStringLiteral("/wayland-0")))
                return QString();
            missing << QStringLiteral("WAYLAND_DISPLAY");
        } else {
            // offscreen, vnc, eglfs, linuxfb: they need no desktop session.
            return QString();
        }
    }
    missing.removeDuplicates();
    return QStringLiteral("%1: no display to show the window on (%2 %3 not set); start it in a desktop session")
        .arg(kProgram, missing.join(QLatin1String(" and ")),
             missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

std::optional<int> handleCommandLine(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(arguments);

    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp: {
        // Only for the program's name in the usage line; a core application
        // needs no display.
        QCoreApplication core(argc, argv);
        std::fputs(commandLineHelp().toLocal8Bit().constData(), stdout);
        return 0;
    }
    case CommandLine::Action::ShowVersion:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::UsageError: {
        const QString message = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                                    .arg(kProgram, commandLine.error);
        std::fputs(message.toLocal8Bit().constData(), stderr);
        return 2;
    }
    case CommandLine::Action::OpenWindow:
        break;
    }

    const QString missing = missingDisplayMessage(arguments, QProcessEnvironment::systemEnvironment());
    if (!missing.isEmpty()) {
        std::fputs((missing + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        return 1;
    }
    if (!commandLine.prefix.isEmpty())
        qputenv("WINEPREFIX", QFile::encodeName(QDir(commandLine.prefix).absolutePath()));
    g_previousHandler = qInstallMessageHandler(messageHandler);
    return std::nullopt;
}

} // namespace qv
