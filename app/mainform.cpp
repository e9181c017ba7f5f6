// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPalette>
#include <QResizeEvent>
#include <QScreen>

#include "FlatUtilitys.h"
#include "keltfileoperator.h"
#include "app/pictures.h"
#include "app/webaddresses.h"
#include "quorvaneversion.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/calendar.h"
#include "platform/machine.h"

static void initResources()
{
    // The pictures live in a static library: pull its resource initialiser in.
    Q_INIT_RESOURCE(resources);
}

namespace {

const QColor clBlue(0, 0, 255);
const QColor clPurple(128, 0, 128);

void setTextColor(QWidget *w, const QColor &color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    w->setPalette(pal);
}

} // namespace

void installFontSubstitutions()
{
    // Without these, fontconfig picks DejaVu Sans, whose wider glyphs make the
    // long option captions overflow their boxes.
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")};
    for (const char *family : {"MS Sans Serif", "Arial", "MS Shell Dlg", "MS Shell Dlg 2", "Tahoma"}) {
        const QString name = QLatin1String(family);
        if (QFont::substitutes(name) != sans) {
            QFont::removeSubstitutions(name);
            QFont::insertSubstitutions(name, sans);
        }
    }
}

static QFont layoutFont()
{
    // The families that stand in for "MS Sans Serif", named directly: asked
    // for a family it does not have, the font system first sorts every font
    // on the machine as that family's fallbacks before it tries the
    // substitutes, a third of the cost of loading the face.
    const QString layoutFamily = QStringLiteral("MS Sans Serif");
    QStringList families = QFont::substitutes(layoutFamily);
    // The machine's own face first, where it has one.
    if (const QString own = qv::machine::layoutFace(); !own.isEmpty())
        families.prepend(own);
    if (families.isEmpty())
        families = {layoutFamily};
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(11);
    return font;
}

void installApplicationFonts()
{
    installFontSubstitutions();
    QApplication::setFont(layoutFont());
}

TForm1::TForm1(QWidget *parent, bool runFormCreate) : QWidget(parent)
{
    // Discovery only reads; the window's construction touches neither the
    // registry nor the prefix, so the two run side by side. Its answer is
    // taken before the first paint, as ever.
    if (runFormCreate)
        m_firstLook = std::async(std::launch::async, [] {
            FirstLook look{qv::discoverReader(), std::nullopt};
            if (look.found.complete()) {
                try {
                    look.plugIns = qv::plugInsNotLoaded(look.found.reader.folder, look.found.reader.version);
                } catch (...) {
                }
            }
            return look;
        });
    initResources();
    // The banner, the largest picture, decodes meanwhile as well.
    const QString banner = QStringLiteral(":/pictures/banner.jpg");
    std::future<QImage> bannerImage = std::async(std::launch::async, [banner] { return qv::loadPicture(banner); });
    installFontSubstitutions();

    // The layout was drawn for "MS Sans Serif" at 11 pixels (8 points at 96
    // pixels per inch); the application maps the family to a free font.
    setFont(layoutFont());

    // The window's own colours, every role of them, before the controls
    // exist: a dark desktop theme would otherwise give the captions and the
    // memo its light text on the window's white.
    setPalette(flat::systemPalette());
    setAutoFillBackground(true);

    setupUi(this);
    // The caption names the version built, which the layout cannot know.
    setWindowTitle(QStringLiteral(QUORVANE_TITLE));

    N1->setSeparator(true);
    Memo->setScrollBars(TFlatMemo::ssVertical);
    Memo->setParentColor(true); // white, as the window
    Image1->setPicture(banner, bannerImage.get());
    // The pictures sit left of the captions.
    FlatButton1->setLayout(FlatTypes::blGlyphLeft);
    FlatButton2->setLayout(FlatTypes::blGlyphLeft);
    FlatButton1->setProperty("Glyph", QPixmap::fromImage(qv::loadPicture(QStringLiteral(":/pictures/optimize.bmp"))));
    FlatButton2->setProperty("Glyph", QPixmap::fromImage(qv::loadPicture(QStringLiteral(":/pictures/restore.bmp"))));
    setTextColor(Label1, clBlue);
    Label1->adjustSize();
    connect(ListView1, &QWidget::customContextMenuRequested, this, &TForm1::showListMenu);
    nameControls();

    // The window keeps one size for the whole run and has no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);

    createFileOperators();

    if (runFormCreate)
        FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::createFileOperators()
{
    // Owned by the window, as the layout's components are.
    FO1 = new TKELFileOperator(this);
    FO1->setObjectName(QStringLiteral("FO1"));
    FO1->setOperation(opCopyFile);
    FO1->setFlags({opNoConfirmation, opNoConfirmMkDir});
    FO2 = new TKELFileOperator(this);
    FO2->setObjectName(QStringLiteral("FO2"));
    FO2->setOperation(opDeleteFile);
    FO2->setFlags({opNoConfirmation, opNoConfirmMkDir});
}

QString TForm1::webAddress()
{
    // Also the end of Label1's stored text, and what "Visit Website" opens.
    return QString::fromLatin1(qv::kMakerWebSiteAddress);
}

void TForm1::nameControls()
{
    ListView1->setAccessibleName(flat::plainCaption(FlatCheckBox11->Caption()));
    Image1->setAccessibleName(windowTitle());
}

void TForm1::showListMenu(const QPoint &pos)
{
    // A right click on an item selects it before the menu opens, and one on
    // empty space selects nothing, as list views do. From the keyboard the
    // menu is about the selection as it stands.
    // (A mouse's position is the viewport's, the keyboard's the list's.)
    if (ListView1->menuFromKeyboard()) {
        PopupMenu1->popup(ListView1->mapToGlobal(pos));
        return;
    }
    if (QListWidgetItem *item = ListView1->itemAt(pos))
        ListView1->setCurrentItem(item);
    else
        ListView1->clearSelection();
    PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
}

void TForm1::Label1Click()
{
    qv::guarded([&] { qv::Shell::instance().open(this, webAddress()); });
}

void TForm1::Label1MouseEnter()
{
    setCursor(Qt::PointingHandCursor);
    setTextColor(Label1, clPurple);
}

void TForm1::Label1MouseLeave()
{
    setTextColor(Label1, clBlue);
    setCursor(Qt::ArrowCursor);
}

void TForm1::FormCanResize(int &NewWidth, int &NewHeight, bool &Resize)
{
    NewWidth = width();
    NewHeight = height();
    Resize = true;
}

void TForm1::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    qv::guarded([&] { FormCloseQuery(canClose); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TForm1::showEvent(QShowEvent *event)
{
    // The first time it is shown the window stands in the middle of its screen.
    if (!m_placed && !parentWidget()) {
        m_placed = true;
        if (const QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void TForm1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Maximising (or full screen) would change the size: undo it at once.
    if (event->type() == QEvent::WindowStateChange
        && (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Whatever asked for another size (a window manager ignoring the fixed
    // size hints), the window goes back to its own.
    if (event->size() != QSize(ClientWidth, ClientHeight))
        resize(ClientWidth, ClientHeight);
}

// ---- Start-up discovery ----------------------------------------------------

void TForm1::FormCreate()
{
    // An error ends the discovery where it happened; the window opens all the same.
    qv::guarded([&] { discover(); });
}

void TForm1::discover()
{
    // Steps 1 to 6: what the registry and the disk say, the user answering
    // what only the user can.
    qv::DiscoveryAnswers answers;
    std::optional<std::vector<qv::PlugInItem>> plugIns;
    qv::Discovery found;
    if (m_firstLook.valid()) {
        FirstLook look = m_firstLook.get();
        found = std::move(look.found);
        plugIns = std::move(look.plugIns);
    } else {
        found = qv::discoverReader(answers);
    }
    while (found.question) {
        const qv::DiscoveryQuestion &q = *found.question;
        const QString typed = qv::Dialogs::instance().inputBox(q.caption, q.prompt, q.proposal);
        (q.kind == qv::DiscoveryQuestion::Version ? answers.version : answers.folder) = typed;
        found = qv::discoverReader(answers);
    }
    const qv::ReaderInstallation &r = found.reader;
    Language = r.language;
    if (found.memo) {
        Memo->clear();
        for (const QString &line : *found.memo)
            Memo->addLine(line);
    }
    ReaderVersion = r.version;
    ReaderFolder = r.folder;
    CommonProgramsFolder = r.commonProgramsFolder;
    CommonDesktopFolder = r.commonDesktopFolder;
    PersonalFolder = r.personalFolder;
    ReaderDesktopIconFound = r.readerDesktopIconFound;
    PrintMeFolderFound = r.printMeFolderFound;
    if (!found.error.isEmpty())
        throw qv::Error(found.error); // what was found so far stays

    // 7. An option with nothing to act on is greyed; it keeps its tick.
    if (!PrintMeFolderFound)
        FlatCheckBox5->setEnabled(false);
    if (!ReaderDesktopIconFound)
        FlatCheckBox6->setEnabled(false);

    // 8. Plug-in list.
    if (plugIns)
        FillPlugInList(*plugIns);
    else
        FillPlugInList();

    // 9. Interface language.
    const std::pair<const char *, void (TForm1::*)()> switches[] = {
        {"French", &TForm1::Image14Click}, {"Spanish", &TForm1::Image13Click},
        {"German", &TForm1::Image2Click},  {"Portuguese", &TForm1::Image4Click},
        {"Japanese", &TForm1::Image5Click}, {"Italian", &TForm1::Image3Click},
    };
    for (const auto &[name, handler] : switches) {
        if (Language == QLatin1String(name)) {
            (this->*handler)();
            break;
        }
    }

    // 10. Year in the notice.
    const int year = yearSource ? yearSource() : qv::currentYear();
    if (year > 2012) {
        Label1->setText(Label1->text().replace(QStringLiteral("2012"), QString::number(year)));
        Label1->adjustSize();
    }
}
