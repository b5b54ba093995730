#include "tests/ui/LauncherProcess.h"

#include "install/LauncherFiles.h"
#include "tests/support/BareRoot.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestHttpServer.h"
#include "tools/publish/Publisher.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTest>

#include <csignal>

#include <gtest/gtest.h>

namespace launcherprocess {

namespace {

QString tempDir()
{
    return testsupport::rootDir() + "/tmp";
}

// The executable of a running process; empty once it has gone.
QString executableOf(qint64 pid)
{
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

// Runs an X tool, bounded; its standard output.
QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished(5000);
        ADD_FAILURE() << program.toStdString() << " did not end: " << arguments.join(' ').toStdString();
        return QString();
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

} // namespace

QString xdotool(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments);
}

QString windowClass(const QString& window)
{
    // WM_CLASS(STRING) = "instance", "class"
    return runTool(QStringLiteral("xprop"), {"-id", window, "WM_CLASS"}).section('"', 3, 3);
}

QStringList visibleWindows(const QStringList& search)
{
    const QString ids = xdotool(QStringList{"search", "--onlyvisible"} + search);
    return ids.isEmpty() ? QStringList() : ids.split('\n');
}

QString waitForWindows(const QStringList& search, int count)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kWindowWaitMs) {
        const QStringList ids = visibleWindows(search);
        if (ids.size() >= count) {
            // Let it finish showing before it gets keys.
            QTest::qWait(300);
            xdotool({"windowfocus", ids.last()});
            QTest::qWait(100);
            return ids.last();
        }
        QTest::qWait(100);
    }
    QStringList shown;
    for (const QString& id : visibleWindows({"--name", ""}))
        shown << "\"" + xdotool({"getwindowname", id}) + "\"";
    ADD_FAILURE() << "no " << count << " windows of " << search.join(' ').toStdString()
                  << "; shown: " << shown.join(' ').toStdString();
    return QString();
}

QString waitForWindows(int count)
{
    return waitForWindows({"--classname", "QMXLauncher"}, count);
}

QString waitForWindow(const QString& title)
{
    return waitForWindows({"--name", "^" + title + "$"}, 1);
}

void waitUntilGone(const QString& title)
{
    QElapsedTimer timer;
    timer.start();
    while (!visibleWindows({"--name", "^" + title + "$"}).isEmpty() && timer.elapsed() < kWindowWaitMs)
        QTest::qWait(100);
}

void pressKeys(const QStringList& keys)
{
    xdotool(QStringList{"key", "--delay", "100"} + keys);
}

void clickAt(const QString& window, int x, int y)
{
    xdotool({"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
}

QList<qint64> processesBelow(const QString& dir)
{
    const QString prefix = QFileInfo(dir).canonicalFilePath() + "/";
    QList<qint64> found;
    if (prefix == "/")
        return found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && executableOf(pid).startsWith(prefix))
            found << pid;
    }
    return found;
}

qint64 waitForProcessOf(const QString& executable)
{
    const QString wanted = QFileInfo(executable).canonicalFilePath();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kWindowWaitMs) {
        for (qint64 pid : processesBelow(QFileInfo(executable).absolutePath())) {
            if (executableOf(pid) == wanted)
                return pid;
        }
        QTest::qWait(100);
    }
    return 0;
}

bool waitUntilNoProcessBelow(const QString& dir, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!processesBelow(dir).isEmpty()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

void killProcessesBelow(const QString& dir)
{
    for (qint64 pid : processesBelow(dir))
        ::kill(pid_t(pid), SIGKILL);
    waitUntilNoProcessBelow(dir, 5000);
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

void closeLauncherIn(const QString& dir)
{
    // While a job still ends, closing asks first: the question is answered
    // No and the close tried again a moment later.
    for (int attempt = 0; attempt < 10 && !processesBelow(dir).isEmpty(); ++attempt) {
        waitForWindows(1);
        pressKeys({"Escape"});
        if (waitUntilNoProcessBelow(dir, 2000))
            return;
        if (visibleWindows({"--classname", "QMXLauncher"}).size() > 1)
            pressKeys({"n"});
    }
    EXPECT_TRUE(waitUntilNoProcessBelow(dir)) << "the launcher did not close";
}

void publishMirror(const testsupport::TestHttpServer& server, const QString& versionsDir, const QList<Version>& fulls,
                   const QString& nextLauncherDir)
{
    publish::ReleaseOptions options;
    options.versionsDir = versionsDir;
    options.outDir = server.root();
    options.baseUrls = QStringList{server.url("").toString()};
    options.fulls = fulls;
    options.compressionLevel = 0;
    if (!nextLauncherDir.isEmpty()) {
        options.launcherVersion = Version::fromString(kNextLauncherVersion);
        options.launcherDir = nextLauncherDir;
    }
    publish::Release release;
    QString error;
    ASSERT_TRUE(publish::publishRelease(options, release, &error)) << error.toStdString();
}

QMap<QString, QByteArray> launcherFilesOf(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : install::launcherFileNames())
        files.insert(name, QCryptographicHash::hash(testsupport::readFile(dir + "/" + name), QCryptographicHash::Sha1));
    return files;
}

Installation::Installation(const QString& dir, Content content)
    : m_dir(dir)
{
    QDir().mkpath(m_dir);
    QDir().mkpath(tempDir());
    const QString built = QStringLiteral(LAUNCHER_EXECUTABLE);
    if (content == LinkedLauncher) {
        // The executable's own folder is the one it runs from; the files it
        // loads may lie elsewhere.
        const QString from = QFileInfo(built).absolutePath();
        for (const QString& name : install::launcherFileNames()) {
            const QString file = m_dir + "/" + name;
            QDir().mkpath(QFileInfo(file).absolutePath());
            if (name == install::launcherExeName())
                EXPECT_TRUE(QFile::copy(built, file));
            else
                EXPECT_TRUE(QFile::link(from + "/" + name, file)) << name.toStdString();
        }
    } else if (content == WholeLauncher) {
        const QDir from = QFileInfo(built).absoluteDir();
        QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString copy = m_dir + "/" + from.relativeFilePath(file);
            QDir().mkpath(QFileInfo(copy).absolutePath());
            EXPECT_TRUE(QFile::copy(file, copy)) << file.toStdString();
        }
    }
}

Installation::~Installation()
{
    for (auto& run : m_runs) {
        if (run->state() != QProcess::NotRunning) {
            run->kill();
            run->waitForFinished(5000);
        }
    }
}

void Installation::writeSettings(const QJsonObject& settings)
{
    testsupport::writeFile(m_dir + "/QMXLauncher.conf", QJsonDocument(settings).toJson());
}

QJsonObject Installation::settings() const
{
    return QJsonDocument::fromJson(testsupport::readFile(m_dir + "/QMXLauncher.conf")).object();
}

QString Installation::log() const
{
    return QString::fromUtf8(testsupport::readFile(m_dir + "/log.txt"));
}

void Installation::waitUntilReady() const
{
    QElapsedTimer timer;
    timer.start();
    while (!log().contains("parsing update info success.") && timer.elapsed() < kWindowWaitMs)
        QTest::qWait(50);
    EXPECT_TRUE(log().contains("parsing update info success.")) << "the check did not end";
    QTest::qWait(1000);
}

QProcess* Installation::start(const QStringList& arguments, const QMap<QString, QString>& variables)
{
    return startWith(arguments, QProcessEnvironment::systemEnvironment(), variables, QString());
}

QProcess* Installation::startWithoutDisplay(const QStringList& arguments, const QString& workingDir,
                                            const QMap<QString, QString>& variables)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    return startWith(arguments, env, variables, workingDir);
}

QProcess* Installation::startWith(const QStringList& arguments, QProcessEnvironment environment,
                                  const QMap<QString, QString>& variables, const QString& workingDir)
{
    for (auto it = variables.begin(); it != variables.end(); ++it)
        environment.insert(it.key(), it.value());
    auto run = std::make_unique<QProcess>();
    run->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // What Qt keeps until the end of a sanitized run is not this test's business.
    QProcessEnvironment quiet;
    quiet.insert("ASAN_OPTIONS", "detect_leaks=0");
    if (m_root) {
        m_root->start(*run, exe().mid(m_root->dir().size()), arguments, quiet);
    } else {
        QProcessEnvironment env = environment;
        env.insert("TMPDIR", tempDir());
        env.insert(quiet);
        run->setProcessEnvironment(env);
        if (!workingDir.isEmpty())
            run->setWorkingDirectory(workingDir);
        run->start(exe(), arguments);
    }
    EXPECT_TRUE(run->waitForStarted(10000));
    m_runs.push_back(std::move(run));
    return m_runs.back().get();
}

int Installation::exitCode(QProcess* run, int timeoutMs)
{
    if (run->state() != QProcess::NotRunning)
        run->waitForFinished(timeoutMs);
    if (run->state() != QProcess::NotRunning || run->exitStatus() != QProcess::NormalExit)
        return -1;
    return run->exitCode();
}

} // namespace launcherprocess
