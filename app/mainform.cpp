#include "mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPalette>
#include <QResizeEvent>
#include <QScreen>

#include "keltfileoperator.h"
#include "app/webaddresses.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/pictures.h"

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
    initResources();
    installFontSubstitutions();

    // The layout was drawn for "MS Sans Serif" at 11 pixels (8 points at 96
    // pixels per inch); the application maps the family to a free font.
    setFont(layoutFont());

    setupUi(this);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    N1->setSeparator(true);
    Memo->setScrollBars(TFlatMemo::ssVertical);
    Memo->setParentColor(true); // white, as the window
    Image1->setPicture(QStringLiteral(":/pictures/banner.jpg"));
    // The pictures sit left of the captions.
    FlatButton1->setLayout(FlatTypes::blGlyphLeft);
    FlatButton2->setLayout(FlatTypes::blGlyphLeft);
    FlatButton1->setProperty("Glyph", QPixmap::fromImage(qv::loadPicture(QStringLiteral(":/pictures/optimize.bmp"))));
    FlatButton2->setProperty("Glyph", QPixmap::fromImage(qv::loadPicture(QStringLiteral(":/pictures/restore.bmp"))));
    setTextColor(Label1, clBlue);
    Label1->adjustSize();
    connect(ListView1, &QWidget::customContextMenuRequested, this, &TForm1::showListMenu);

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

void TForm1::showListMenu(const QPoint &pos)
{
    // A right click on an item selects it before the menu opens, as list views do.
    if (QListWidgetItem *item = ListView1->itemAt(pos))
        ListView1->setCurrentItem(item);
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

namespace {

const QString kReaderKey = QStringLiteral("\\SOFTWARE\\Adobe\\Acrobat Reader");

// The language of an installation-language code: its third and fourth
// characters, compared exactly.
QString languageOfCode(const QString &code)
{
    static const std::pair<const char *, const char *> table[] = {
        {"0C", "French"}, {"0A", "Spanish"}, {"07", "German"},
        {"16", "Portuguese"}, {"11", "Japanese"}, {"10", "Italian"},
    };
    const QString chars = code.mid(2, 2);
    for (const auto &[key, name] : table)
        if (chars == QLatin1String(key))
            return QLatin1String(name);
    return QStringLiteral("English");
}

// Reads a text value into value, without creating anything; value stays as
// it is when the key is missing (a missing value reads as empty).
void readText(uint32_t root, const QString &key, const QString &name, QString &value)
{
    qv::RegistryAccessor reg;
    reg.setRootKey(root);
    reg.setAccess(qv::KeyRead);
    if (reg.openKey(key, false))
        value = reg.readString(name);
}

bool isUnusableVersion(const QString &version)
{
    return version.isEmpty() || version == QLatin1String(" ") || version == QLatin1String(".");
}

} // namespace

QString TForm1::languageFromCodes(const QString &installLanguage, const QString &locale)
{
    if (!installLanguage.isEmpty())
        return languageOfCode(installLanguage);
    // "Locale" holds eight hex digits ("0000040C"); its last four are laid out
    // as "InstallLanguage" is.
    return languageOfCode(locale.size() == 8 ? locale.right(4) : locale);
}

void TForm1::FormCreate()
{
    // An error ends the discovery where it happened; the window opens all the same.
    qv::guarded([&] { discover(); });
}

void TForm1::discover()
{
    // 1. Language. The keys are only read: nothing is created at start-up.
    Language = QStringLiteral("English");
    QString installLanguage, locale;
    readText(qv::HKeyLocalMachine, QStringLiteral("\\SYSTEM\\CurrentControlSet\\Control\\Nls\\Language"),
             QStringLiteral("InstallLanguage"), installLanguage);
    if (installLanguage.isEmpty())
        readText(qv::HKeyUsers, QStringLiteral("\\.DEFAULT\\Control Panel\\International"), QStringLiteral("Locale"),
                 locale);
    Language = languageFromCodes(installLanguage, locale);

    // 2. Reader version.
    QStringList versions;
    {
        qv::RegistryAccessor reg;
        reg.setRootKey(qv::HKeyLocalMachine);
        reg.setAccess(qv::KeyRead);
        if (reg.openKey(kReaderKey, false))
            reg.getKeyNames(versions);
        reg.closeKey();
    }
    Memo->clear();
    for (const QString &name : versions)
        Memo->addLine(QStringLiteral("Adobe Reader v") + name + QStringLiteral(" installed."));
    bool asked = false;
    if (versions.isEmpty()) {
        ReaderVersion = qv::Dialogs::instance().inputBox(
            QStringLiteral("Confirmation"),
            QStringLiteral("No Adobe Reader has been found, please enter your Adobe Reader version"),
            QStringLiteral("6.0"));
        asked = true;
    } else if (versions.size() > 1) {
        Memo->clear();
        ReaderVersion = qv::Dialogs::instance().inputBox(
            QStringLiteral("Choose a version"),
            QStringLiteral("More than one Adobe Reader has been installed, please choose a version to be accelerated"),
            versions.last());
        asked = true;
    }
    if (!versions.isEmpty() && !versions.contains(ReaderVersion, Qt::CaseInsensitive))
        ReaderVersion = versions.last();
    if (asked) {
        // The line names the version the program will work on, so a typed
        // name that is not installed, or an emptied field, does not show a
        // version that is not the one used.
        const QString shown = isUnusableVersion(ReaderVersion) ? QStringLiteral("6.0") : ReaderVersion;
        Memo->addLine(QStringLiteral("Adobe Reader v") + shown + QStringLiteral(" selected"));
    }
    Memo->addLine(QStringLiteral("Ready."));

    // 3. Installation folder (looked up with the version as it stands, before
    // the fallback of step 5).
    readText(qv::HKeyLocalMachine, kReaderKey + QLatin1Char('\\') + ReaderVersion + QStringLiteral("\\InstallPath"),
             QString(), ReaderFolder);
    if (ReaderFolder.isEmpty())
        ReaderFolder = qv::Dialogs::instance().inputBox(QStringLiteral("Where Adobe Reader is installed?"),
                                                        QStringLiteral("Install Directory: "),
                                                        QStringLiteral("C:\\Program Files\\Adobe\\Acrobat 6.0\\Reader"));
    // Later steps append "\plug_ins" and the like.
    while (ReaderFolder.size() > 1 && ReaderFolder.endsWith(QLatin1Char('\\')))
        ReaderFolder.chop(1);

    // 4. Shell folders, machine-wide only.
    {
        qv::RegistryAccessor reg;
        reg.setRootKey(qv::HKeyLocalMachine);
        reg.setAccess(qv::KeyRead);
        if (reg.openKey(QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"), false)) {
            const std::pair<QString, QString *> folders[] = {
                {QStringLiteral("Common Programs"), &CommonProgramsFolder},
                {QStringLiteral("Common Desktop"), &CommonDesktopFolder},
                {QStringLiteral("Personal"), &PersonalFolder},
            };
            for (const auto &[value, field] : folders)
                if (reg.valueExists(value))
                    *field = reg.readString(value);
        }
        reg.closeKey();
    }

    // 5. Version fallback.
    if (isUnusableVersion(ReaderVersion))
        ReaderVersion = QStringLiteral("6.0");

    // 6. What the shortcut options would remove.
    ReaderDesktopIconFound =
        qv::fileExists(CommonDesktopFolder + QStringLiteral("\\Adobe Reader ") + ReaderVersion + QStringLiteral(".lnk"));
    PrintMeFolderFound = qv::directoryExists(CommonProgramsFolder + QStringLiteral("\\PrintMe Internet Printing"));

    // 7. An option with nothing to act on is greyed; it keeps its tick.
    if (!PrintMeFolderFound)
        FlatCheckBox5->setEnabled(false);
    if (!ReaderDesktopIconFound)
        FlatCheckBox6->setEnabled(false);

    // 8. Plug-in list.
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
