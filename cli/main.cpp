// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QCoreApplication>
#include <QIODevice>
#include <QtEndian>
#include <QTextStream>
#include <cstdio>
#include <exception>

#include "cli/commands.h"
#include "platform/namebytes.h"
#include "quorvaneversion.h"

namespace {

// A standard stream as a terminal may be shown it: names read from the
// machine (plug-ins, folders, registry values) can hold escape sequences,
// which a terminal would obey, so every control character but the line
// break and the tab is written as a visible escape, and a byte that was no
// UTF-8 as U+FFFD. The text stream hands it UTF-16, which keeps such a
// byte (namebytes.h) for it to tell.
class VisibleOutput : public QIODevice
{
public:
    explicit VisibleOutput(FILE *file) : m_file(file) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        // A code unit, or a surrogate pair, cut between two writes waits for the next.
        m_pending.append(data, size);
        QString text;
        qsizetype units = m_pending.size() / 2;
        if (units > 0 && QChar::isHighSurrogate(qFromLittleEndian<char16_t>(m_pending.constData() + 2 * (units - 1))))
            --units;
        for (qsizetype i = 0; i < units; ++i)
            text += QChar(qFromLittleEndian<char16_t>(m_pending.constData() + 2 * i));
        m_pending.remove(0, units * 2);
        const QByteArray shown = qv::visibleText(text).toUtf8();
        if (std::fwrite(shown.constData(), 1, size_t(shown.size()), m_file) != size_t(shown.size()))
            return -1;
        std::fflush(m_file);
        return size;
    }

private:
    FILE *m_file;
    QByteArray m_pending;
};

} // namespace

// quorvane-cli: Optimize, Restore and the state of a Reader installation for
// scripts and configuration management. A core application only: it never
// opens a window, and needs no display.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));

    VisibleOutput outDevice(stdout);
    VisibleOutput errDevice(stderr);
    QTextStream out(&outDevice);
    QTextStream err(&errDevice);
    out.setEncoding(QStringConverter::Utf16LE);
    err.setEncoding(QStringConverter::Utf16LE);
    try {
        return qv::cli::run(QCoreApplication::arguments(), out, err);
    } catch (const std::exception &e) {
        err << "quorvane-cli: " << QString::fromLocal8Bit(e.what()) << Qt::endl;
        return qv::cli::ExitFailed;
    }
}
