// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QString>

class QMouseEvent;

// A label that reports clicks: a press and a release of the left button
// over it, as the window system counts them.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget *parent = nullptr);

signals:
    void OnClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

// A picture control: shows one stored picture unscaled from its top-left
// corner (cut at the control's edges) and reports clicks.
class TImage : public ClickableLabel
{
    Q_OBJECT
    // The stored picture, a resource path decoded at run time.
    Q_PROPERTY(QString picture READ picture WRITE setPicture)

public:
    explicit TImage(QWidget *parent = nullptr);
    QString picture() const { return m_picture; }
    void setPicture(const QString &path);
    // The same with the picture decoded already (elsewhere, at the same time).
    void setPicture(const QString &path, const QImage &decoded);
    // A picture that does something when clicked (a flag) is a button to a
    // screen reader; the others are pictures.
    bool clickable() const;

private:
    QString m_picture;
};

// A text label that reports clicks and the pointer entering and leaving it.
class TLabel : public ClickableLabel
{
    Q_OBJECT

public:
    explicit TLabel(QWidget *parent = nullptr);

signals:
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};

// The plug-in list: captions only, laid out top to bottom in columns.
// Deleting the selected item leaves nothing selected, as in the platform's
// list views.
class TListView : public QListWidget
{
    Q_OBJECT

public:
    explicit TListView(QWidget *parent = nullptr);
    // True while a context menu asked for from the keyboard (the menu key,
    // Shift+F10) is being requested: it is about the selection, not about
    // the item under the pointer.
    bool menuFromKeyboard() const { return m_menuFromKeyboard; }

protected:
    bool event(QEvent *event) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;

private:
    bool m_menuFromKeyboard = false;
};
