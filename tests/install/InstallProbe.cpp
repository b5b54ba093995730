// The installer in a process of its own, for tests that cut an install
// short or run two at once. Every run logs to LOG and ends within 60 s.
//
//   install_probe LOG install SOURCE TARGET
//       installs the launcher files of SOURCE into TARGET as the install
//       dialog does (start menu and desktop shortcuts); exits with 0 when
//       the install succeeded, else 1;
//   install_probe LOG start FOLDER
//       does what a start of the launcher in FOLDER does first with an
//       install into it that was cut off; exits with 0;
//   install_probe LOG entry FOLDER COUNT
//       writes the uninstall entry for FOLDER COUNT times, each time reading
//       back what the store holds then: prints how many of those entries
//       described no single folder, and exits with 0 when none did.

#include "core/Localization.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/ProductInfo.h"
#include "install/InstallJournal.h"
#include "install/InstallWorker.h"
#include "install/WriteUninstallRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

QString valueOf(const QList<platform::RegistryValue>& entry, const QString& name)
{
    for (const platform::RegistryValue& value : entry) {
        if (value.name == name)
            return value.text;
    }
    return QString();
}

// One installation's entry: its three paths name the same folder.
bool isWhole(const QList<platform::RegistryValue>& entry)
{
    const QString location = valueOf(entry, QStringLiteral("InstallLocation"));
    const QString executable = location + QStringLiteral("/QMXLauncher.exe");
    return entry.size() == 9 && valueOf(entry, QStringLiteral("DisplayIcon")) == executable
        && valueOf(entry, QStringLiteral("UninstallString")) == executable + QStringLiteral(" --uninstall");
}

int runInstall(const QString& source, const QString& target)
{
    setAppDirPathForTests(source);
    install::InstallOptions options;
    options.m_createQuickLaunchItems = false;
    options.m_path = target;
    install::InstallWorker worker(1, options);
    bool succeeded = false;
    QObject::connect(&worker, &install::InstallWorker::installFinished, [&succeeded](bool res) { succeeded = res; });
    worker.start();
    worker.wait();
    return succeeded ? 0 : 1;
}

int writeEntries(const QString& folder, int count)
{
    const QString key = install::WriteUninstallRegistry::keyPath(g_launcherProduct);
    install::InstallOptions options;
    options.m_path = folder;
    int mixed = 0;
    for (int i = 0; i < count; ++i) {
        const install::InstallJobPtr job = install::makeUninstallRegistryJob(g_launcherProduct, QStringLiteral("entry"));
        job->setOptions(options);
        job->execute();
        QList<platform::RegistryValue> entry;
        platform::readRegistryKey(key, &entry);
        if (!isWhole(entry))
            ++mixed;
    }
    std::printf("%d mixed\n", mixed);
    return mixed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    ::alarm(60);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: install_probe LOG install SOURCE TARGET | start FOLDER | entry FOLDER COUNT\n");
        return 2;
    }
    Log::instance()->open(args[1]);
    g_launcherProduct = launcherProductInfo();
    setLanguage(QStringLiteral("en_US"));
    const QString mode = args[2];
    if (mode == QLatin1String("install") && args.size() == 5)
        return runInstall(args[3], args[4]);
    if (mode == QLatin1String("start")) {
        install::finishInterruptedInstall(args[3]);
        return 0;
    }
    if (mode == QLatin1String("entry") && args.size() == 5)
        return writeEntries(args[3], args[4].toInt());
    std::fprintf(stderr, "unknown mode\n");
    return 2;
}
