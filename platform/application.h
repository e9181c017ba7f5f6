// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace qv {

// What every program needs of its application object, window or not. The
// window's own object, whose event delivery is the program's one exception
// handler, is qv::Application in platform/ui/application.h.

// The text of the task-bar button (and the error box caption).
QString applicationTitle();
void setApplicationTitle(const QString &title);

// Handles the window events waiting in the queue once.
void processMessages();
// Ends the program's message loop, and with it every modal loop inside it.
void terminateApplication();

// The error box: application title as caption, error icon, OK, and the
// message with a full stop appended when its last character sorts after it.
// Goes through Dialogs, so without a window it reaches stderr.
void showError(const QString &message);
// Shows the error of an exception caught in a handler.
void showException(const std::exception_ptr &error);

// Runs an event handler under the application's handler: an exception ends
// the handler, is shown to the user and goes no further.
template <typename F>
void guarded(F &&handler)
{
    try {
        std::forward<F>(handler)();
    } catch (...) {
        showException(std::current_exception());
    }
}

} // namespace qv
