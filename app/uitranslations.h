// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The window's texts and Qt's own (file dialogs, error boxes) in the user's language. The
// translators are children of the application object and are installed on the GUI thread,
// before the first window is built; error messages are not translated.
namespace UiTranslations {

// The language to show, as a code such as "de": the first of the user's languages, in order of
// preference, that is either English, which gives an empty code (the texts as written), or one of
// `available`. Empty when none is.
QString chooseLanguage(const QStringList& uiLanguages, const QStringList& available);

// The languages the program's texts are translated into.
QStringList available();

// Installs the translators for the system locale's choice (QLocale::system().uiLanguages(): from
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG): the program's, embedded, and Qt's qtbase from the
// system, where installed. Returns the language installed, empty for none.
QString install(QCoreApplication& application);

} // namespace UiTranslations
