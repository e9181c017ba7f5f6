#include "app/promotionform.h"

#include "app/languages.h"
#include "app/webaddresses.h"
#include "platform/application.h"
#include "platform/dialogs.h"

static void initPromotionResources()
{
    // The product picture lives in the app library's resources.
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int kClientWidth = 296;
constexpr int kClientHeight = 302;
constexpr int kWideLeft = 200;
constexpr int kWideWidth = 96;

} // namespace

TForm2::TForm2(QWidget *owner, const QString &language) : QDialog(owner), m_language(language)
{
    initPromotionResources();
    setupUi(this);
    // Title bar with a close box only, and a size the user cannot change.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    // The layout's fonts are given by character height in pixels, which a
    // .ui file cannot say.
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(11);
    setFont(formFont);
    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPixelSize(16);
    labelFont.setBold(true);
    Label1->setFont(labelFont);

    setMessage(Label1->text());
    Button1->setFocus();

    FormCreate();
}

void TForm2::FormCreate()
{
    const qv::PromotionTexts texts = qv::promotionTexts(m_language);
    if (texts.layoutTexts)
        return;
    setWindowTitle(texts.caption);
    Button1->setText(texts.download);
    Button2->setText(texts.visitWebsite);
    Button3->setText(texts.noThanks);
    setMessage(texts.message);
    if (texts.wideButtons) {
        for (QPushButton *button : {Button1, Button2, Button3})
            button->setGeometry(kWideLeft, button->y(), kWideWidth, button->height());
    }
}

void TForm2::Button1Click()
{
    qv::Shell::instance().open(this, QString::fromLatin1(qv::kProductDownloadAddress));
    qv::terminateApplication();
}

void TForm2::Button2Click()
{
    qv::Shell::instance().open(this, QString::fromLatin1(qv::kMakerWebSiteAddress));
    qv::terminateApplication();
}

void TForm2::Button3Click()
{
    qv::terminateApplication();
}

void TForm2::Image1Click()
{
    Button2->click();
}

void TForm2::setMessage(const QString &text)
{
    // The texts separate their lines by CR LF or by a lone CR; the label
    // breaks lines at LF only. Blanks around the lines stay as they are.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Label1->setText(shown);
    Label1->adjustSize();
}
