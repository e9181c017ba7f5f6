#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "platform/fileoperation.h"

namespace qv {

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

class RealFileOperationUi : public FileOperationUi
{
public:
    void progressBegin(const QString &title) override
    {
        m_window.reset();
        m_title = title;
        m_started.start();
        m_lastEvents.start();
    }

    bool progressUpdate(const Progress &progress) override
    {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return true;
        if (!m_window && m_started.elapsed() >= 500) {
            m_window = std::make_unique<ProgressWindow>(m_title);
            m_window->show();
        }
        if (!m_window)
            return true;
        // Painting and the Cancel button need the event loop; a few times a
        // second is enough and costs the copy nothing.
        if (m_lastEvents.elapsed() >= 40) {
            m_window->update(progress);
            QCoreApplication::processEvents();
            m_lastEvents.restart();
        }
        return !m_window->cancelled();
    }

    void progressEnd() override { m_window.reset(); }

    void error(const QString &caption, const QString &file, const QString &reason) override
    {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return;
        QMessageBox box(QMessageBox::Critical, caption,
                        file.isEmpty() ? reason : QStringLiteral("Cannot handle %1:\n%2").arg(file, reason),
                        QMessageBox::Ok, m_window.get());
        box.exec();
    }

    Answer confirmReplace(const QString &target, const QString &source) override
    {
        return ask(QStringLiteral("Confirm File Replace"),
                   QStringLiteral("This folder already contains a file named %1.\n\nWould you like to replace "
                                  "the existing file with %2?")
                       .arg(target, source));
    }

    Answer confirmMakeFolder(const QString &folder) override
    {
        return ask(QStringLiteral("Confirm Folder Create"),
                   QStringLiteral("The folder %1 does not exist.\n\nDo you want to create it?").arg(folder));
    }

private:
    Answer ask(const QString &caption, const QString &text)
    {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return Cancel;
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, m_window.get());
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

    std::unique_ptr<ProgressWindow> m_window;
    QString m_title;
    QElapsedTimer m_started;
    QElapsedTimer m_lastEvents;
};

FileOperationUi *g_override = nullptr;

} // namespace

FileOperationUi &FileOperationUi::instance()
{
    static RealFileOperationUi real;
    return g_override ? *g_override : real;
}

void FileOperationUi::setInstance(FileOperationUi *ui) { g_override = ui; }

} // namespace qv
