// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/ui/windowed.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace qv::ui {

namespace {

// The progress window: title, current file, a bar and Cancel. It appears
// only once a batch has run for half a second, so quick batches never flash.
class ProgressWindow : public QDialog
{
public:
    explicit ProgressWindow(const QString &title)
    {
        setWindowTitle(title);
        // The batch runs inside the caller's handler: the rest of the program
        // must not take clicks that would start another one meanwhile.
        setWindowModality(Qt::ApplicationModal);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto *layout = new QVBoxLayout(this);
        m_file = new QLabel(this);
        m_file->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
        m_file->setTextFormat(Qt::PlainText);
        m_bar = new QProgressBar(this);
        m_bar->setRange(0, 1000);
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
        layout->addWidget(m_file);
        layout->addWidget(m_bar);
        layout->addWidget(cancel, 0, Qt::AlignRight);
        connect(cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    }

    bool cancelled() const { return m_cancelled; }

    void update(const FileOperationUi::Progress &p)
    {
        m_file->setText(p.currentFile.isEmpty() ? p.title : p.currentFile);
        double fraction = 0;
        if (p.bytesTotal > 0)
            fraction = double(p.bytesDone) / double(p.bytesTotal);
        else if (p.itemsTotal > 0)
            fraction = double(p.itemsDone) / double(p.itemsTotal);
        m_bar->setValue(int(std::min(1.0, fraction) * 1000));
    }

protected:
    void reject() override { m_cancelled = true; } // Escape and the close box cancel too

private:
    QLabel *m_file = nullptr;
    QProgressBar *m_bar = nullptr;
    bool m_cancelled = false;
};

bool haveWindows()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

struct FileOperationWindows::State
{
    std::unique_ptr<ProgressWindow> window;
    QString title;
    QElapsedTimer started;
    QElapsedTimer lastEvents;

    FileOperationUi::Answer ask(const QString &caption, const QString &text)
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, window.get());
        QAbstractButton *yes = box.addButton(QMessageBox::Yes);
        QAbstractButton *all = box.addButton(QMessageBox::YesToAll);
        QAbstractButton *no = box.addButton(QMessageBox::No);
        box.addButton(QMessageBox::Cancel);
        box.exec();
        QAbstractButton *clicked = box.clickedButton();
        if (clicked == yes)
            return Yes;
        if (clicked == all)
            return YesToAll;
        if (clicked == no)
            return No;
        return Cancel;
    }
};

FileOperationWindows::FileOperationWindows() : d(std::make_unique<State>()) {}
FileOperationWindows::~FileOperationWindows() = default;

void FileOperationWindows::progressBegin(const QString &title)
{
    d->window.reset();
    d->title = title;
    d->started.start();
    d->lastEvents.start();
}

bool FileOperationWindows::progressUpdate(const Progress &progress)
{
    if (!haveWindows())
        return m_windowless.progressUpdate(progress);
    if (!d->window && d->started.elapsed() >= 500) {
        d->window = std::make_unique<ProgressWindow>(d->title);
        d->window->show();
    }
    if (!d->window)
        return true;
    // Painting and the Cancel button need the event loop; a few times a
    // second is enough and costs the copy nothing.
    if (d->lastEvents.elapsed() >= 40) {
        d->window->update(progress);
        QCoreApplication::processEvents();
        d->lastEvents.restart();
    }
    return !d->window->cancelled();
}

void FileOperationWindows::progressEnd()
{
    d->window.reset();
}

void FileOperationWindows::error(const QString &caption, const QString &file, const QString &reason)
{
    if (!haveWindows())
        return m_windowless.error(caption, file, reason);
    QMessageBox box(QMessageBox::Critical, caption,
                    file.isEmpty() ? reason : QStringLiteral("Cannot handle %1:\n%2").arg(file, reason),
                    QMessageBox::Ok, d->window.get());
    box.exec();
}

FileOperationUi::Answer FileOperationWindows::confirmReplace(const QString &target, const QString &source)
{
    if (!haveWindows())
        return m_windowless.confirmReplace(target, source);
    return d->ask(QStringLiteral("Confirm File Replace"),
                  QStringLiteral("This folder already contains a file named %1.\n\nWould you like to replace "
                                 "the existing file with %2?")
                      .arg(target, source));
}

FileOperationUi::Answer FileOperationWindows::confirmMakeFolder(const QString &folder)
{
    if (!haveWindows())
        return m_windowless.confirmMakeFolder(folder);
    return d->ask(QStringLiteral("Confirm Folder Create"),
                  QStringLiteral("The folder %1 does not exist.\n\nDo you want to create it?").arg(folder));
}

} // namespace qv::ui
