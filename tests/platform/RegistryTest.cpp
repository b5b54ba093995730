#include "platform/Registry.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Printers.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QString kUninstall = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");

RegistryValue text(const QString& name, const QString& data)
{
    RegistryValue value;
    value.name = name;
    value.text = data;
    return value;
}

RegistryValue number(const QString& name, quint32 data)
{
    RegistryValue value;
    value.name = name;
    value.type = RegistryValue::Number;
    value.number = data;
    return value;
}

QList<RegistryValue> valuesOf(const QString& path)
{
    QList<RegistryValue> values;
    EXPECT_EQ(readRegistryKey(path, &values), RegistrySuccess) << path.toStdString();
    return values;
}

TEST(Registry, KeysCompareWithoutCaseAndKeepTheirValuesInOrder)
{
    RegistryKey key;
    ASSERT_EQ(key.create(kUninstall + "\\com.example.app"), RegistrySuccess);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.setText("DisplayIcon", "/opt/my games/QMXLauncher.exe"), RegistrySuccess);
    EXPECT_EQ(key.setNumber("NoModify", 1), RegistrySuccess);
    EXPECT_EQ(key.setText("Odd", "back\\slash \"quoted\"\nsecond line\r\tü €"), RegistrySuccess);
    EXPECT_EQ(key.setText("", ""), RegistrySuccess); // the key's default value
    key.close();
    EXPECT_FALSE(key.isOpen());
    EXPECT_EQ(key.setText("Closed", "x"), RegistryNotFound);

    // Another spelling of every level opens the same key. Writing a value
    // again, in another spelling too, replaces it in its place.
    RegistryKey again;
    ASSERT_EQ(again.create("SOFTWARE\\MIcrosoft\\windows\\CurrentVersion\\UNINSTALL\\Com.Example.App"), RegistrySuccess);
    EXPECT_EQ(again.setNumber("nomodify", 0xfffffffe), RegistrySuccess);
    EXPECT_EQ(again.setText("Publisher", "Ostrevan"), RegistrySuccess);
    again.close();

    const QList<RegistryValue> expected = {
        text("DisplayIcon", "/opt/my games/QMXLauncher.exe"),
        number("NoModify", 0xfffffffe),
        text("Odd", "back\\slash \"quoted\"\nsecond line\r\tü €"),
        text("", ""),
        text("Publisher", "Ostrevan"),
    };
    EXPECT_EQ(valuesOf("software\\microsoft\\windows\\currentversion\\uninstall\\COM.EXAMPLE.APP"), expected);

    // One small readable file, in the folders as first spelled.
    const QByteArray file = testsupport::readFile(testsupport::registryKeyFile(kUninstall + "\\com.example.app"));
    EXPECT_EQ(file,
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\com.example.app]\n"
              "\"DisplayIcon\"=\"/opt/my games/QMXLauncher.exe\"\n"
              "\"NoModify\"=dword:fffffffe\n"
              "\"Odd\"=\"back\\\\slash \\\"quoted\\\"\\nsecond line\\r\t\xc3\xbc \xe2\x82\xac\"\n"
              "\"\"=\"\"\n"
              "\"Publisher\"=\"Ostrevan\"\n");

    // The levels above are keys of their own, without values.
    EXPECT_TRUE(valuesOf(kUninstall).isEmpty());
    QList<RegistryValue> none;
    EXPECT_EQ(readRegistryKey(kUninstall + "\\other", &none), RegistryNotFound);
}

TEST(Registry, DeleteRemovesOnlyAKeyWithoutSubkeys)
{
    const QString app = kUninstall + "\\com.example.app";
    RegistryKey key;
    ASSERT_EQ(key.create(app + "\\Sub"), RegistrySuccess);
    ASSERT_EQ(key.setText("Inner", "1"), RegistrySuccess);
    ASSERT_EQ(key.create(app), RegistrySuccess);
    ASSERT_EQ(key.setText("Outer", "2"), RegistrySuccess);

    EXPECT_EQ(deleteRegistryKey(app), RegistryAccessDenied);
    EXPECT_EQ(valuesOf(app), QList<RegistryValue>({text("Outer", "2")}));

    // A copy of the values file that a crash left behind goes with the key.
    testsupport::writeFile(QFileInfo(testsupport::registryKeyFile(app + "\\Sub")).absolutePath() + "/values.reg.Ab12",
                           "half");
    EXPECT_EQ(deleteRegistryKey(app + "\\SUB"), RegistrySuccess);
    EXPECT_EQ(deleteRegistryKey(app + "\\Sub"), RegistryNotFound);
    EXPECT_EQ(deleteRegistryKey(app), RegistrySuccess);
    QList<RegistryValue> values;
    EXPECT_EQ(readRegistryKey(app, &values), RegistryNotFound);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(testsupport::registryKeyFile(app)).absolutePath()));
    EXPECT_EQ(readRegistryKey(kUninstall, &values), RegistrySuccess); // the parent stays

    // A key deleted while open takes no more values.
    ASSERT_EQ(key.setText("Late", "x"), RegistryNotFound);
}

TEST(Registry, RefusesNamesThatAreNotKeyPaths)
{
    const QString names[] = {
        "", "\\Software", "Software\\", "Software\\\\Example", "Software\\.\\Example", "Software\\..",
        "Software\\a/b", "Software\\VALUES.REG", QString("Software\\a") + QChar(0) + "b",
    };
    for (const QString& name : names) {
        RegistryKey key;
        QList<RegistryValue> values;
        EXPECT_EQ(key.create(name), RegistryInvalidName) << name.toStdString();
        EXPECT_FALSE(key.isOpen());
        EXPECT_EQ(deleteRegistryKey(name), RegistryInvalidName) << name.toStdString();
        EXPECT_EQ(readRegistryKey(name, &values), RegistryInvalidName) << name.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(testsupport::homeDir() + "/.config/QMXLauncher/registry/HKEY_CURRENT_USER/Software/a"));
}

TEST(Registry, AFailedWriteLeavesTheKeyAsItWas)
{
    const QString app = kUninstall + "\\com.example.app";
    RegistryKey key;
    ASSERT_EQ(key.create(app), RegistrySuccess);
    ASSERT_EQ(key.setText("DisplayName", "Quillmere 4"), RegistrySuccess);
    const QString file = testsupport::registryKeyFile(app);
    const QByteArray before = testsupport::readFile(file);
    {
        testsupport::FileSizeLimit limit(before.size());
        EXPECT_EQ(key.setText("Publisher", "Ostrevan"), RegistryWriteFault);
        EXPECT_EQ(key.setText("DisplayName", "Quillmere 4"), RegistrySuccess); // the same size still fits
    }
    EXPECT_EQ(testsupport::readFile(file), before);
    EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden), QStringList({"values.reg"}));
    EXPECT_EQ(key.setText("Publisher", "Ostrevan"), RegistrySuccess);
    EXPECT_EQ(valuesOf(app), QList<RegistryValue>({text("DisplayName", "Quillmere 4"), text("Publisher", "Ostrevan")}));
}

TEST(Registry, AnUnreadableValuesFileIsNotOverwritten)
{
    const QString app = kUninstall + "\\com.example.app";
    const QString file = testsupport::registryKeyFile(app);
    const char* lines[] = {
        "DisplayName=\"x\"",         // unquoted name
        "\"DisplayName\"=",          // no data
        "\"DisplayName\"=\"x",       // unterminated text
        "\"DisplayName\"=\"x\"y",    // trailing characters
        "\"DisplayName\"=\"x\\q\"",  // unknown escape
        "\"NoModify\"=dword:1",      // not eight digits
        "\"NoModify\"=dword:0000000g",
    };
    for (const char* line : lines) {
        const QByteArray content = QByteArray("[HKEY_CURRENT_USER\\x]\n\"Good\"=\"1\"\n") + line + "\n";
        testsupport::writeFile(file, content);
        RegistryKey key;
        QList<RegistryValue> values;
        EXPECT_EQ(key.create(app), RegistryCorrupt) << line;
        EXPECT_EQ(readRegistryKey(app, &values), RegistryCorrupt) << line;
        EXPECT_EQ(testsupport::readFile(file), content);
    }
}

// Two launchers that write the same key at the same moment (an install and a
// self-update, say) each read the values, add one and write them back: the
// store's lock makes each change whole, so no value is lost.
TEST(Registry, TwoProcessesWritingOneKeyKeepEveryValue)
{
    const QString app = kUninstall + "\\com.example.app";
    const int count = 150;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char* prefix : {"first", "second"}) {
        writers.emplace_back(new QProcess);
        writers.back()->start(LAUNCHER_PLATFORM_PROBE, {"values", app, prefix, QString::number(count)});
    }
    for (auto& writer : writers) {
        ASSERT_TRUE(writer->waitForFinished(60000));
        EXPECT_EQ(writer->exitCode(), 0);
        EXPECT_EQ(writer->readAllStandardOutput(), "ok\n");
    }
    QStringList names;
    for (const RegistryValue& value : valuesOf(app))
        names << value.name;
    EXPECT_EQ(names.size(), 2 * count);
    for (const char* prefix : {"first", "second"}) {
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(names.contains(prefix + QString::number(i))) << prefix << i;
    }
}

} // namespace
