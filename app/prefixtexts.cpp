// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/prefixtexts.h"

#include <array>

#include "app/languages.h"

namespace qv {

namespace {

constexpr int kLanguages = int(kLanguageNames.size());

// One row per text, one column per language in the order of kLanguageNames.
struct TextRow
{
    QString PrefixWindowTexts::*field;
    std::array<const char *, kLanguages> texts;
};

const TextRow kRows[] = {
    {&PrefixWindowTexts::chooserCaption,
     {"Choose a Wine prefix",
      "Choisir un préfixe Wine",
      "Wine-Präfix auswählen",
      "Elegir un prefijo de Wine",
      "Escolher um prefixo do Wine",
      "Scegli un prefisso Wine",
      "Wine プレフィックスの選択"}},
    {&PrefixWindowTexts::chooserPrompt,
     {"Adobe Reader is installed in several Wine prefixes. Choose the one to work on:",
      "Adobe Reader est installé dans plusieurs préfixes Wine. Choisissez celui à traiter :",
      "Adobe Reader ist in mehreren Wine-Präfixen installiert. Wählen Sie das zu bearbeitende aus:",
      "Adobe Reader está instalado en varios prefijos de Wine. Elija el que desea tratar:",
      "O Adobe Reader está instalado em vários prefixos do Wine. Escolha aquele a tratar:",
      "Adobe Reader è installato in più prefissi Wine. Scegli quello da elaborare:",
      "Adobe Reader は複数の Wine プレフィックスにインストールされています。処理するものを選んでください:"}},
    {&PrefixWindowTexts::columnManager,
     {"Manager", "Gestionnaire", "Verwaltung", "Gestor", "Gestor", "Gestore", "管理ツール"}},
    {&PrefixWindowTexts::columnName, {"Name", "Nom", "Name", "Nombre", "Nome", "Nome", "名前"}},
    {&PrefixWindowTexts::columnReader,
     {"Adobe Reader", "Adobe Reader", "Adobe Reader", "Adobe Reader", "Adobe Reader", "Adobe Reader",
      "Adobe Reader"}},
    {&PrefixWindowTexts::columnFolder, {"Folder", "Dossier", "Ordner", "Carpeta", "Pasta", "Cartella", "フォルダー"}},
    {&PrefixWindowTexts::open, {"Open", "Ouvrir", "Öffnen", "Abrir", "Abrir", "Apri", "開く"}},
    {&PrefixWindowTexts::cancel, {"Cancel", "Annuler", "Abbrechen", "Cancelar", "Cancelar", "Annulla", "キャンセル"}},
    {&PrefixWindowTexts::noneCaption,
     {"No Adobe Reader found",
      "Aucun Adobe Reader trouvé",
      "Kein Adobe Reader gefunden",
      "No se encontró Adobe Reader",
      "Nenhum Adobe Reader encontrado",
      "Nessun Adobe Reader trovato",
      "Adobe Reader が見つかりません"}},
    {&PrefixWindowTexts::noneMessage,
     {"No Wine prefix with Adobe Reader was found.",
      "Aucun préfixe Wine contenant Adobe Reader n'a été trouvé.",
      "Es wurde kein Wine-Präfix mit Adobe Reader gefunden.",
      "No se encontró ningún prefijo de Wine con Adobe Reader.",
      "Não foi encontrado nenhum prefixo do Wine com o Adobe Reader.",
      "Non è stato trovato alcun prefisso Wine con Adobe Reader.",
      "Adobe Reader の入った Wine プレフィックスは見つかりませんでした。"}},
    {&PrefixWindowTexts::placesLooked,
     {"Places looked in:",
      "Emplacements examinés :",
      "Durchsuchte Orte:",
      "Lugares examinados:",
      "Locais examinados:",
      "Posizioni esaminate:",
      "探した場所:"}},
    {&PrefixWindowTexts::chooseFolder,
     {"Choose a prefix folder...",
      "Choisir un dossier de préfixe...",
      "Präfix-Ordner auswählen...",
      "Elegir una carpeta de prefijo...",
      "Escolher uma pasta de prefixo...",
      "Scegli una cartella di prefisso...",
      "プレフィックスのフォルダーを選ぶ..."}},
    {&PrefixWindowTexts::continueWithWine,
     {"Continue with ~/.wine",
      "Continuer avec ~/.wine",
      "Mit ~/.wine fortfahren",
      "Continuar con ~/.wine",
      "Continuar com ~/.wine",
      "Continua con ~/.wine",
      "~/.wine で続ける"}},
    {&PrefixWindowTexts::quit, {"Quit", "Quitter", "Beenden", "Salir", "Sair", "Esci", "終了"}},
    {&PrefixWindowTexts::folderDialogCaption,
     {"Choose the folder of a Wine prefix",
      "Choisir le dossier d'un préfixe Wine",
      "Ordner eines Wine-Präfixes auswählen",
      "Elija la carpeta de un prefijo de Wine",
      "Escolha a pasta de um prefixo do Wine",
      "Scegli la cartella di un prefisso Wine",
      "Wine プレフィックスのフォルダーを選んでください"}},
    {&PrefixWindowTexts::notAPrefix,
     {"\"%1\" is not a Wine prefix: a prefix folder holds both system.reg and a drive_c folder. Choose the prefix folder "
      "itself, the one that holds drive_c.",
      "« %1 » n'est pas un préfixe Wine : un dossier de préfixe contient system.reg et un dossier drive_c. Choisissez le dossier "
      "du préfixe lui-même, celui qui contient drive_c.",
      "Der Ordner „%1“ ist kein Wine-Präfix: Ein Präfix-Ordner enthält system.reg und einen Ordner drive_c. Wählen Sie "
      "den Präfix-Ordner selbst, den mit drive_c.",
      "«%1» no es un prefijo de Wine: la carpeta de un prefijo contiene system.reg y una carpeta drive_c. Elija la carpeta del propio "
      "prefijo, la que contiene drive_c.",
      "\"%1\" não é um prefixo do Wine: a pasta de um prefixo contém system.reg e uma pasta drive_c. Escolha a pasta do próprio "
      "prefixo, a que contém drive_c.",
      "«%1» non è un prefisso Wine: la cartella di un prefisso contiene system.reg e una cartella drive_c. Scegli la cartella del "
      "prefisso stesso, quella che contiene drive_c.",
      "「%1」は Wine プレフィックスではありません（プレフィックスのフォルダーには system.reg と drive_c フォルダーの両方があります）。drive_c "
      "を含むプレフィックスのフォルダーそのものを選んでください。"}},
};

int languageColumn(const QString &language)
{
    for (int i = 0; i < kLanguages; ++i)
        if (language == QLatin1String(kLanguageNames[i]))
            return i;
    return 0;
}

} // namespace

QString languageOfLocale(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::French: return QStringLiteral("French");
    case QLocale::German: return QStringLiteral("German");
    case QLocale::Spanish: return QStringLiteral("Spanish");
    case QLocale::Portuguese: return QStringLiteral("Portuguese");
    case QLocale::Italian: return QStringLiteral("Italian");
    case QLocale::Japanese: return QStringLiteral("Japanese");
    default: return QStringLiteral("English");
    }
}

PrefixWindowTexts prefixWindowTexts(const QString &language)
{
    const int column = languageColumn(language);
    PrefixWindowTexts texts;
    for (const TextRow &row : kRows)
        texts.*row.field = QString::fromUtf8(row.texts[column]);
    return texts;
}

} // namespace qv
