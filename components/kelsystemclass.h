// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QObject>
#include <QString>

// The base classes of the component suite.

// A component with the suite's about text. Name and tag are the object's own.
class TKELSystemComponent : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(QString About READ About WRITE setAbout STORED false)

public:
    explicit TKELSystemComponent(QObject *owner = nullptr);

    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // At most 37 characters; informative only.
    QString About() const { return m_about; }
    void setAbout(const QString &about) { m_about = about.left(37); }

private:
    int m_tag = 0;
    QString m_about;
};

// A component that does its work in one call.
class TKELExecuteComponent : public TKELSystemComponent
{
    Q_OBJECT

public:
    explicit TKELExecuteComponent(QObject *owner = nullptr);

    // Does nothing here; components that do work override it.
    virtual bool Execute();
};
