// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// Helpers for driving the closing dialog: a shell that records what would be
// opened, and a way to see whether the program has been asked to end.

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "platform/dialogs.h"

class RecordingShell : public qv::Shell
{
public:
    RecordingShell() { qv::Shell::setInstance(this); }
    ~RecordingShell() override { qv::Shell::setInstance(nullptr); }
    void open(QWidget *owner, const QString &target) override
    {
        owners << owner;
        opened << target;
    }
    QList<QWidget *> owners;
    QStringList opened;
};

// Once the program has been asked to end, no event loop can start any more.
inline bool programEnding()
{
    QEventLoop probe;
    QTimer::singleShot(0, &probe, [&probe] { probe.exit(1); });
    return probe.exec() == -1;
}

inline constexpr int kProgramStillRunning = 3;

// Runs a scenario inside the program's main loop, as a real close happens,
// and returns how that loop ended: 0 when the program was asked to end,
// kProgramStillRunning when it was not, kProgramHung when a modal window
// never went away. Leaving the loop also clears the request, so the next
// test starts afresh.
inline constexpr int kProgramHung = 99;
inline int runInMainLoop(const std::function<void()> &scenario)
{
    // A safety net only: a scenario that works is over long before.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(kProgramHung); });
    watchdog.start(60000);
    QTimer::singleShot(0, [&scenario] {
        scenario();
        if (!programEnding())
            QCoreApplication::exit(kProgramStillRunning);
    });
    return QCoreApplication::exec();
}
