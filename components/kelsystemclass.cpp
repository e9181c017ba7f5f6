// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "kelsystemclass.h"

TKELSystemComponent::TKELSystemComponent(QObject *owner) : QObject(owner)
{
    m_about = QStringLiteral("Quorvane system components 1.0");
}

TKELExecuteComponent::TKELExecuteComponent(QObject *owner) : TKELSystemComponent(owner) {}

bool TKELExecuteComponent::Execute()
{
    return false;
}
