// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QApplication>

#include "platform/application.h"

namespace qv {

// The window's application object: QApplication whose event delivery is the
// single exception handler of the program, so that no exception reaches
// Qt's loop; what escapes a handler goes to the error box.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace qv
