#pragma once

#include "install/InstallOptions.h"
#include "platform/Registry.h"
#include "tests/support/Printers.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// An installer test: the launcher's product record, English texts, a source
// folder (the application directory) holding a dummy of every launcher file,
// and a target folder with a space in its name that does not exist yet.
class InstallFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString source() const;
    QString target() const { return m_target; }
    static QByteArray dummyContent(const QString& name);
    // How many launcher files there are, and the subfolders they lie in.
    static int fileCount();
    static QStringList fileFolders();

    // The nine values of the uninstall entry for an installation path as the
    // store holds them: "InstallLocation" as given, the executable path for
    // "DisplayIcon" and, unquoted, for "UninstallString".
    static QList<platform::RegistryValue> expectedEntry(const QString& location, const QString& executable);
    // The values of the launcher's uninstall key, empty when it is missing.
    static QList<platform::RegistryValue> storedEntry();
    static bool entryExists();

    // Writes the first count values of the entry for the target, as the job
    // writes them, and returns the size of the key's file: the most that the
    // store may then write without the next value failing.
    qint64 prepareEntry(int count) const;

    // The three shortcut folders below the home folder, and the shortcut in one of them.
    static constexpr const char* kStartMenu = ".local/share/applications";
    static constexpr const char* kQuickLaunch = ".config/Microsoft/Internet Explorer/Quick Launch";
    static constexpr const char* kDesktop = "Desktop";
    static QString linkPath(const char* folderUnderHome);

private:
    QString m_target;
};
