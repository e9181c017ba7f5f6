// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/languages.h"
#include "quorvaneversion.h"

#include <cstring>

namespace qv {

namespace {

constexpr int kLanguages = int(kLanguageNames.size());

// One row per control, one column per language in the order of
// kLanguageNames. A null text leaves the control as it is.
struct CaptionRow
{
    const char *control;
    std::array<const char *, kLanguages> texts;
};

// The last row is the window caption and application title together.
constexpr CaptionRow kCaptionRows[] = {
    {"FlatCheckBox3",
     {"Turn off all \"Updates\" features",
      "Désactiver la mise-a-jour",
      "Sperren Sie alles \"aktualisiert\"",
      "Inhabilite todo el \"pone al día\"",
      "Incapacite o todo o \"atualiza\"",
      "Inabiliti il tutto \"aggiorna\"",
      "自動最新版を不能にします"}},
    {"FlatCheckBox1",
     {"Disable the splash screen during program startup",
      "Désactiver l'écran d'éclaboussure en démarrage",
      "Sperren Sie den Spritzenschirm während",
      "Inhabilite la pantalla del chapoteo",
      "Incapacite a tela do respingo durante a partida",
      "Inabiliti lo schermo durante la partenza",
      "スタートアップ?スクリーンを示しません"}},
    {"FlatCheckBox4",
     {"Remove the \"My eBooks\" folder created in your \"My Documents\"",
      "Supprimer le dossier \"Mes eBooks\" créée dans \"Mes Documents\"",
      "Entfernen Sie das Heft \"Meinen Dokumenten\"->\"Meiner eBooks\"",
      "Quite la carpeta de Mis eBooks creada en sus Mis Documentos",
      "Remova dos \"Meus eBooks\" criado em seus \"Meus Originais\"",
      "Rimuova \"Miei eBooks\" generato nei vostri \"Miei Documenti\"",
      "「私のeBooks」フォルダーを作成しません"}},
    {"FlatCheckBox2",
     {"Turn off the advertisements for Adobe products in the upper-right corner of the toolbar",
      "Désactiver les annonces pour des produits d'Adobe dans le coin du toolbar",
      "Sperren Sie die Reklameanzeigen für Ziegelsteinprodukte",
      "Inhabilite los anuncios para los productos del adobe en toolbar",
      "Incapacite as propagandas para produtos do Adobe no toolbar",
      "Inabiliti le pubblicitaper i prodotti dell'Adobe nel angolo del toolbar",
      "Adobe製品の広告を示しません"}},
    {"FlatCheckBox5",
     {"No PrintMe icons",
      "Aucune icône de PrintMe",
      "Löschen Sie Ikonen PrintMe",
      "Suprima los iconos de PrintMe",
      "Suprima ícones de PrintMe",
      "Cancelli le icone di PrintMe",
      "PrintMeアイコンを示さないでください"}},
    {"FlatCheckBox6",
     {"No Adobe Reader icon",
      "Aucune icône de Adobe Reader",
      "Löschen Sie Ikonen Adobe Reader",
      "Suprima el icono de Adobe Reader",
      "Suprima o ícone de Adobe Reader",
      "Cancelli l'icona di Adobe Reader",
      "Adobe Readerアイコンを示さないでください"}},
    {"FlatCheckBox8",
     {"No Browser Integration",
      "Non intégration dans Internet Explorer",
      "Integrieren Sie nicht in Internet Explorer",
      "No integre en Internet Explorer",
      "Não integre no Internet Explorer",
      "Non integri nel Internet Explorer",
      "ブラウザー統合を示さないでください"}},
    {"FlatCheckBox9",
     {"No confirmation when closing Adobe Reader",
      "Aucune confirmation en fermant Adobe Reader",
      "Zeigen Sie nicht Bestätigung, wenn Sie schließen",
      "No confirmación al cerrar a Adobe Reader",
      "Não mostre a confirmação ao fechar",
      "Non conferma quando chiudono il lettore",
      "を閉じる場合、確認メッセージを示しません"}},
    {"FlatCheckBox7",
     {"Better speed for LAN and Cable connection",
      "Meilleure vitesse pour le LAN et ADSL",
      "Verbessern Sie Geschwindigkeit für LAN und ADSL",
      "Mejore la velocidad para el LAN y Cable",
      "Melhore a velocidade para o LAN e Cable",
      "Migliori la velocitaper la lan ed ADSL",
      "LANとADSLの接続のためのよりよい速度"}},
    {"FlatCheckBox10",
     {"Clear Adobe Reader Recent Files History",
      "Supprimer l'histoire des fichiers ouverts",
      "Löschunggeschichte der geöffneten Dokumente",
      "Suprima la historia de documentos abiertos",
      "Suprima o history de originais abertos",
      "Cancelli la storia dei documenti aperti",
      "最近開かれたドキュメントの歴史を削除してください"}},
    {"FlatCheckBox11",
     {"Plug-ins not to be loaded on startup        LIST -->",
      "Plug-ins ne chargent pas en démarrage    LIST -->",
      "Nicht auf Start zu ladende Einsteck      LISTE -->",
      "Enchufable que no se cargarán en arranque    -->",
      "De encaixe a não ser carregados na partida     -->",
      "Alimentabile da non caricare sulla partenza     -->",
      "操業開始に載せられないプラグイン    リスト-->"}},
    {"FlatButton1",
     {"Optimize",
      "Optimiser",
      "Optimieren",
      "Optimice",
      "Optimise",
      "Ottimizzi",
      "高速化"}},
    {"FlatButton2",
     {"Restore",
      "Restaurer",
      "Restaurieren",
      "Restore",
      "Restore",
      "Restore",
      "回復します"}},
    {"title",
     {QUORVANE_TITLE,
      QUORVANE_TITLE,
      QUORVANE_TITLE,
      nullptr,
      QUORVANE_TITLE,
      QUORVANE_TITLE,
      "Adobe Readerの起動を高速化するソフト"}},
};

static_assert(std::size(kCaptionRows) == kSwitchedControls.size() + 1);

// Japanese names the task-bar button before the window; the others the window first.
constexpr std::array<bool, kLanguages> kTitleFirst = {false, false, false, false, false, false, true};

struct MessageLine
{
    int lead;
    const char *text;
    int trail;
};

struct PromotionRow
{
    const char *caption;
    const char *download;
    const char *visitWebsite;
    const char *noThanks;
    std::array<MessageLine, 5> message;
};

// One row per language in the order of kLanguageNames; blanks around the
// message lines are counted so that they cannot be lost in the source.
constexpr PromotionRow kPromotionRows[] = {
    {"Morvelle introduction", "Download", "Visit Website", "No, Thanks",
     {{{0, "Do you need software to convert", 0}, {7, "your documents to PDF format?", 0}, {0, "", 0}, {0, "Try Morvelle", 0}, {7, "to create quality PDF files now!", 0}}}},
    {"Morvelle Recommendation", "Télécharger", "En savoir plus", "Non, merci !",
     {{{0, "Vous avez bosoin d'un logiciel", 0}, {8, "pour convertir de document", 1}, {23, "au format Adobe PDF ?", 0}, {0, "", 0}, {13, "Essayez Morvelle !", 0}}}},
    {"Empfehlen Sie Morvelle", "Download", "Mehr Info", "Nr., Dank!",
     {{{0, "Benötigen Sie Software, Ihre", 1}, {11, "Dokumente in PDF-Format", 1}, {22, "umzuwandeln?", 0}, {0, "", 0}, {10, "Versuch Morvelle jetzt!", 0}}}},
    {"Recomiende Morvelle", "Descargar", "Más Info", "O, gracias!",
     {{{0, "¿Usted necesita software convertir", 0}, {5, "sus documentos al formato PDF?", 1}, {14, "", 0}, {0, "", 0}, {12, "ntento Morvelle ahora!", 0}}}},
    {"Recomende Morvelle", "Download", "Mais info", "No!",
     {{{0, "Voc necessita o software converter", 0}, {5, "seus originais ao formato PDF?", 1}, {14, "", 0}, {0, "", 0}, {9, "Tentativa Morvelle agora!", 0}}}},
    {"Suggerisca Morvelle", "Download", "Home Page", "No, grazie!",
     {{{0, "Avete bisogno del software di", 1}, {3, "convertire i vostri documenti", 0}, {8, "in disposizione del Adobe PDF?", 3}, {0, "", 0}, {14, "Prova Morvelle ora!", 0}}}},
    {"Morvelleを推奨します", "ダウンロードに", "より多くの情報", "いいえ結構です",
     {{{0, "ドキュメントをPDFフォーマットに", 0}, {0, "変換するためにソフトウェアを必要", 0}, {0, "としますか", 0}, {0, "", 0}, {19, "試みMorvelle!", 0}}}},
};

static_assert(std::size(kPromotionRows) == kLanguageNames.size());

// The Japanese captions need wider buttons.
constexpr std::array<bool, kLanguages> kWideButtons = {false, false, false, false, false, false, true};

int languageIndex(const QString &language)
{
    for (int i = 0; i < kLanguages; ++i) {
        if (language == QLatin1String(kLanguageNames[i]))
            return i;
    }
    return -1;
}

QString messageText(const std::array<MessageLine, 5> &lines, const QString &separator)
{
    QStringList out;
    for (const MessageLine &line : lines)
        out << QString(line.lead, u' ') + QString::fromUtf8(line.text) + QString(line.trail, u' ');
    return out.join(separator);
}

} // namespace

std::optional<MainWindowTexts> mainWindowTexts(const QString &language)
{
    const int column = languageIndex(language);
    if (column < 0)
        return std::nullopt;
    MainWindowTexts texts;
    texts.language = language;
    for (std::size_t row = 0; row < kSwitchedControls.size(); ++row) {
        Q_ASSERT(std::strcmp(kCaptionRows[row].control, kSwitchedControls[row]) == 0);
        texts.captions << QString::fromUtf8(kCaptionRows[row].texts[column]);
    }
    if (const char *title = kCaptionRows[kSwitchedControls.size()].texts[column])
        texts.title = QString::fromUtf8(title);
    texts.titleFirst = kTitleFirst[column];
    return texts;
}

PromotionTexts promotionTexts(const QString &language)
{
    const int found = languageIndex(language);
    const int column = found < 0 ? 0 : found;
    const PromotionRow &row = kPromotionRows[column];
    PromotionTexts texts;
    texts.caption = QString::fromUtf8(row.caption);
    texts.download = QString::fromUtf8(row.download);
    texts.visitWebsite = QString::fromUtf8(row.visitWebsite);
    texts.noThanks = QString::fromUtf8(row.noThanks);
    // The layout's text has CR LF line ends, the translated ones a single CR.
    texts.message = messageText(row.message, column == 0 ? QStringLiteral("\r\n") : QStringLiteral("\r"));
    texts.wideButtons = kWideButtons[column];
    texts.layoutTexts = column == 0;
    return texts;
}

} // namespace qv
