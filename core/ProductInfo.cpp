#include "core/ProductInfo.h"

#include "core/IProgramSettings.h"

#include <QMutex>

ProductInfo g_launcherProduct;
ProductInfo g_gameProduct;

namespace {

const QString kAppIdPrefix = QStringLiteral("com.qmxgame.");
const QString kLauncherId = QStringLiteral("qmx_launcher_en");
const QString kGameId = QStringLiteral("qmx");

QMutex& gameVersionLock()
{
    static QMutex lock;
    return lock;
}

QString withoutSpaces(QString text)
{
    return text.remove(QLatin1Char(' '));
}

} // namespace

QString ProductInfo::companyDirName() const
{
    return withoutSpaces(company);
}

QString ProductInfo::productDirName() const
{
    return withoutSpaces(productName);
}

ProductInfo defaultProductInfo()
{
    ProductInfo info;
    info.company = QStringLiteral("Ostrevan");
    info.productName = QStringLiteral("Quillmere 4");
    info.title = QStringLiteral("Quillmere 4");
    info.webSite = QStringLiteral("https://quillmere.example.com/");
    info.version = launcherVersion();
    info.id = kLauncherId;
    info.appId = kLauncherId;
    return info;
}

ProductInfo launcherProductInfo()
{
    ProductInfo info = defaultProductInfo();
    info.id = kLauncherId;
    info.appId = kAppIdPrefix + info.id;
    info.exeName = QStringLiteral("QMXLauncher.exe");
    return info;
}

ProductInfo gameProductInfo(const IProgramSettings& settings)
{
    ProductInfo info = defaultProductInfo();
    info.id = kGameId;
    info.version = Version::fromString(settings.value(kGameId + QStringLiteral(".installed_version")).toString());
    info.appId = kAppIdPrefix + kGameId;
    info.exeName = QStringLiteral("qmx.exe");
    return info;
}

Version installedGameVersion()
{
    QMutexLocker lock(&gameVersionLock());
    return g_gameProduct.version;
}

void setInstalledGameVersion(const Version& version)
{
    QMutexLocker lock(&gameVersionLock());
    g_gameProduct.version = version;
}
