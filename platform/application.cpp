// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/application.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "platform/dialogs.h"
#include "platform/error.h"

namespace qv {

namespace {
QString g_title;
}

QString applicationTitle()
{
    return g_title;
}

void setApplicationTitle(const QString &title)
{
    // Kept here only, not as Qt's application display name: on X11 and
    // Wayland Qt appends that name to every other window's title, so the
    // "Information" boxes and the promotion dialog would lose their exact
    // captions. The main window carries the same text as its own title,
    // which is what a task bar shows there.
    g_title = title;
}

void processMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void terminateApplication()
{
    // exit() leaves every running event loop, the modal ones included.
    QCoreApplication::exit(0);
}

void showError(const QString &message)
{
    Dialogs::instance().messageBox(nullptr, errorBoxText(message), applicationTitle(), Dialogs::Ok,
                                   Dialogs::ErrorIcon);
}

void showException(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error &e) {
        showError(e.message());
    } catch (const std::exception &e) {
        showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showError(QStringLiteral("An unexpected error occurred"));
    }
}

} // namespace qv
