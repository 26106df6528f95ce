// SPDX-License-Identifier: GPL-3.0-or-later
#include "uitranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const char* const programFolder = ":/i18n";
const char* const programPrefix = "tarvixmixer_";

// Installs the named catalogue from `folder`; a missing one installs nothing.
void installCatalogue(QCoreApplication& application, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(&application);
    if (translator->load(name, folder))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

namespace UiTranslations {

QString chooseLanguage(const QStringList& uiLanguages, const QStringList& available)
{
    for (const QString& name : uiLanguages) {
        const QLocale locale(name);
        if (locale.language() == QLocale::English)
            return QString();
        const QString code = QLocale::languageToCode(locale.language());
        if (available.contains(code))
            return code;
    }
    return QString();
}

QStringList available()
{
    const QString prefix = QString::fromLatin1(programPrefix);
    QStringList codes;
    const QStringList files = QDir(QString::fromLatin1(programFolder))
                                  .entryList({prefix + QStringLiteral("*.qm")}, QDir::Files);
    for (const QString& file : files)
        codes.append(file.mid(prefix.size()).chopped(3));
    return codes;
}

QString install(QCoreApplication& application)
{
    const QString language = chooseLanguage(QLocale::system().uiLanguages(), available());
    if (language.isEmpty())
        return language;
    installCatalogue(application, QStringLiteral("qtbase_") + language,
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    installCatalogue(application, QString::fromLatin1(programPrefix) + language,
                     QString::fromLatin1(programFolder));
    return language;
}

} // namespace UiTranslations
