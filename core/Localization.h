#pragma once

#include <QFileInfo>
#include <QScopedPointer>
#include <QString>
#include <QStringList>

class IProgramSettings;
class QTranslator;

// Decides which of the compiled-in translations is installed: the system's
// language at start-up, then the user's stored choice, then whatever the
// language menu picks.
class Localization
{
public:
    static Localization* instance();
    // The languages offered to the user, found once among the resources.
    static const QStringList& availableLanguages();

private:
    Localization();
    void scanLanguages(const QStringList& supported);

    friend bool setLanguage(const QString& code);
    friend QString currentLanguage();

    QString m_current;
    QStringList m_available;
    QScopedPointer<QTranslator> m_appTranslator;
    QScopedPointer<QTranslator> m_qtTranslator;
};

// "en_US", "en", "zh_CN", "zh": the only codes ever offered or installed.
QStringList supportedLanguages();
// Empty or unparsable codes, codes outside the supported list (compared
// exactly) and codes without a translation are not valid.
bool isLanguageValid(const QString& code);
// files[0] the program translation, files[1] Qt's own; each falls back from
// "xx_YY" to "xx". True when the program translation exists.
bool findTranslationFiles(const QString& code, QFileInfo files[2]);

// The first valid UI language of the system locale ("-" read as "_"), else
// its name when valid, else "en_US".
QString systemDefaultLanguage();
// The same choice made from given locale facts.
QString chooseDefaultLanguage(const QString& localeName, const QStringList& uiLanguages);

bool setLanguage(const QString& code);
QString currentLanguage();

void initLanguage();
void initDefaultLanguage();
void applyLanguageFromSettings(const IProgramSettings& settings);
// Stores the current language under "general.ui_language"; the caller saves the file.
void saveLanguageToSettings(IProgramSettings& settings);
