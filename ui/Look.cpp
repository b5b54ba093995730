#include "ui/Look.h"

#include "core/Log.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace {

void loadFont(const QFontDatabase& database, const QString& family, const QString& resource)
{
    if (database.hasFamily(family))
        return;
    const int id = QFontDatabase::addApplicationFont(resource);
    const QStringList added = QFontDatabase::applicationFontFamilies(id);
    if (!added.isEmpty() && added.first() != family)
        QFont::insertSubstitution(family, added.first());
}

} // namespace

void loadFonts()
{
    const QFontDatabase database;
    loadFont(database, QStringLiteral("Myriad Pro"), QStringLiteral(":/fonts/MyriadPro-Regular"));
    loadFont(database, QStringLiteral("Myriad Pro Cond"), QStringLiteral(":/fonts/MyriadPro-Cond"));
}

void loadStyleSheet()
{
    QFile file(QStringLiteral(":/styles/launcher"));
    if (!file.open(QIODevice::ReadOnly)) {
        Log::instance()->critical(QStringLiteral("load style sheet failed: ") + file.fileName());
        return;
    }
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
}
