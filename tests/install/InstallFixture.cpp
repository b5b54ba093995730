#include "tests/install/InstallFixture.h"

#include "core/Localization.h"
#include "core/ProductInfo.h"
#include "install/LauncherFiles.h"
#include "install/WriteUninstallRegistry.h"
#include "tests/support/TestEnvironment.h"

#include <QFileInfo>

using platform::RegistryValue;

namespace {

RegistryValue value(const char* name, const QString& text)
{
    RegistryValue v;
    v.name = QString::fromLatin1(name);
    v.text = text;
    return v;
}

RegistryValue flag(const char* name)
{
    RegistryValue v;
    v.name = QString::fromLatin1(name);
    v.type = RegistryValue::Number;
    v.number = 1;
    return v;
}

QString keyPath()
{
    return install::WriteUninstallRegistry::keyPath(g_launcherProduct);
}

} // namespace

void InstallFixture::SetUp()
{
    g_launcherProduct = launcherProductInfo();
    ASSERT_TRUE(setLanguage("en_US"));
    for (const QString& name : install::launcherFileNames())
        testsupport::writeFile(source() + "/" + name, dummyContent(name));
    m_target = testsupport::rootDir() + "/Install Dir";
}

void InstallFixture::TearDown()
{
    g_launcherProduct = ProductInfo();
}

QString InstallFixture::source() const
{
    return testsupport::appDir();
}

QByteArray InstallFixture::dummyContent(const QString& name)
{
    return "dummy of " + name.toUtf8() + "\n";
}

int InstallFixture::fileCount()
{
    return int(install::launcherFileNames().size());
}

QStringList InstallFixture::fileFolders()
{
    QStringList folders;
    for (const QString& name : install::launcherFileNames()) {
        if (name.contains('/') && !folders.contains(name.section('/', 0, 0)))
            folders << name.section('/', 0, 0);
    }
    folders.sort();
    return folders;
}

QList<RegistryValue> InstallFixture::expectedEntry(const QString& location, const QString& executable)
{
    return {
        value("DisplayIcon", executable),
        value("DisplayName", "Quillmere 4"),
        value("DisplayVersion", "4.0.10174"),
        value("InstallLocation", location),
        flag("NoModify"),
        flag("NoRepair"),
        value("UninstallString", executable + " --uninstall"),
        value("URLInfoAbout", "https://quillmere.example.com/"),
        value("Publisher", "Ostrevan"),
    };
}

QList<RegistryValue> InstallFixture::storedEntry()
{
    QList<RegistryValue> values;
    platform::readRegistryKey(keyPath(), &values);
    return values;
}

bool InstallFixture::entryExists()
{
    QList<RegistryValue> values;
    return platform::readRegistryKey(keyPath(), &values) == platform::RegistrySuccess;
}

qint64 InstallFixture::prepareEntry(int count) const
{
    const QList<RegistryValue> values = expectedEntry(m_target, m_target + "/QMXLauncher.exe").mid(0, count);
    platform::RegistryKey key;
    EXPECT_EQ(key.create(keyPath()), platform::RegistrySuccess);
    for (const RegistryValue& v : values) {
        const long result = v.type == RegistryValue::Number ? key.setNumber(v.name, v.number)
                                                            : key.setText(v.name, v.text);
        EXPECT_EQ(result, platform::RegistrySuccess);
    }
    key.close();
    return QFileInfo(testsupport::registryKeyFile(keyPath())).size();
}

QString InstallFixture::linkPath(const char* folderUnderHome)
{
    return testsupport::homeDir() + "/" + folderUnderHome + "/Quillmere 4.desktop";
}
