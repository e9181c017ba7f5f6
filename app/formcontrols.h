#pragma once

#include <QLabel>
#include <QListWidget>
#include <QString>

class QMouseEvent;

// A picture control: shows one stored picture unscaled from its top-left
// corner (cut at the control's edges) and reports clicks.
class TImage : public QLabel
{
    Q_OBJECT
    // The stored picture, a resource path decoded at run time.
    Q_PROPERTY(QString picture READ picture WRITE setPicture)

public:
    explicit TImage(QWidget *parent = nullptr);
    QString picture() const { return m_picture; }
    void setPicture(const QString &path);

signals:
    void OnClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_picture;
    bool m_pressed = false;
};

// A text label that reports clicks and the pointer entering and leaving it.
class TLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TLabel(QWidget *parent = nullptr);

signals:
    void OnClick();
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_pressed = false;
};

// The plug-in list: captions only, laid out top to bottom in columns.
class TListView : public QListWidget
{
    Q_OBJECT

public:
    explicit TListView(QWidget *parent = nullptr);
};
