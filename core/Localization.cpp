#include "core/Localization.h"

#include "core/IProgramSettings.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace {

const QString kLanguageRoot = QStringLiteral(":/Language");
const QString kLanguageKey = QStringLiteral("general.ui_language");

Localization* g_localization = nullptr;

} // namespace

Localization* Localization::instance()
{
    if (!g_localization)
        g_localization = new Localization;
    return g_localization;
}

const QStringList& Localization::availableLanguages()
{
    return instance()->m_available;
}

Localization::Localization()
{
    scanLanguages(supportedLanguages());
}

void Localization::scanLanguages(const QStringList& supported)
{
    m_available.clear();
    const QStringList entries = QDir(kLanguageRoot).entryList();
    for (const QString& entry : entries) {
        if (supported.contains(entry) && isLanguageValid(entry))
            m_available.append(entry);
    }
}

QStringList supportedLanguages()
{
    return {QStringLiteral("en_US"), QStringLiteral("en"), QStringLiteral("zh_CN"), QStringLiteral("zh")};
}

bool isLanguageValid(const QString& code)
{
    const QLocale::Language language = QLocale(code).language();
    if (language == QLocale::C || language == QLocale::AnyLanguage)
        return false;
    if (!supportedLanguages().contains(code))
        return false;
    QFileInfo files[2];
    return findTranslationFiles(code, files);
}

bool findTranslationFiles(const QString& code, QFileInfo files[2])
{
    const QString dir = kLanguageRoot + QLatin1Char('/');
    files[0] = QFileInfo(dir + code + QStringLiteral("/translation"));
    files[1] = QFileInfo(dir + code + QStringLiteral("/qt_translation"));
    const QString base = code.section(QLatin1Char('_'), 0, 0);
    if (!files[0].exists())
        files[0] = QFileInfo(dir + base + QStringLiteral("/translation"));
    if (!files[1].exists())
        files[1] = QFileInfo(dir + base + QStringLiteral("/qt_translation"));
    return files[0].exists();
}

QString chooseDefaultLanguage(const QString& localeName, const QStringList& uiLanguages)
{
    Log* log = Log::instance();
    log->debug(QStringLiteral("DefaultLocaleName: %1; Valid: %2").arg(localeName).arg(isLanguageValid(localeName) ? 1 : 0));
    for (const QString& entry : uiLanguages) {
        log->debug(QStringLiteral("DefaultLocale UI: ") + entry);
        QString candidate = entry;
        candidate.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (isLanguageValid(candidate))
            return candidate;
    }
    if (isLanguageValid(localeName))
        return localeName;
    return QStringLiteral("en_US");
}

QString systemDefaultLanguage()
{
    const QLocale system = QLocale::system();
    return chooseDefaultLanguage(system.name(), system.uiLanguages());
}

bool setLanguage(const QString& code)
{
    QFileInfo files[2];
    if (!findTranslationFiles(code, files))
        return false;

    auto appTranslator = new QTranslator;
    if (!appTranslator->load(files[0].absoluteFilePath())) {
        delete appTranslator;
        return false;
    }

    Localization* self = Localization::instance();
    // The program's translator goes in first, Qt's own after it, so Qt asks
    // Qt's first; the two serve different contexts.
    if (self->m_appTranslator)
        QCoreApplication::removeTranslator(self->m_appTranslator.data());
    QScopedPointer<QTranslator> previous(self->m_appTranslator.take());
    self->m_appTranslator.reset(appTranslator);
    QCoreApplication::installTranslator(appTranslator);
    previous.reset();

    if (self->m_qtTranslator)
        QCoreApplication::removeTranslator(self->m_qtTranslator.data());
    self->m_qtTranslator.reset(new QTranslator);
    if (files[1].exists() && self->m_qtTranslator->load(files[1].absoluteFilePath()))
        QCoreApplication::installTranslator(self->m_qtTranslator.data());

    QLocale::setDefault(QLocale(code));
    self->m_current = code;
    return true;
}

QString currentLanguage()
{
    return Localization::instance()->m_current;
}

void initLanguage()
{
    initDefaultLanguage();
}

void initDefaultLanguage()
{
    const QString code = systemDefaultLanguage();
    Log::instance()->info(QStringLiteral("Default lang: ") + code);
    setLanguage(code);
}

void applyLanguageFromSettings(const IProgramSettings& settings)
{
    const QString code = settings.value(kLanguageKey).toString();
    if (!code.isEmpty() && isLanguageValid(code))
        setLanguage(code);
}

void saveLanguageToSettings(IProgramSettings& settings)
{
    settings.setValue(kLanguageKey, currentLanguage());
}
