#include "tests/support/BareRoot.h"

#include "tests/support/PrivateMount.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {
namespace {

const char kLibDir[] = "/lib/x86_64-linux-gnu";

// Runs a tool, bounded; its standard output, empty on failure.
QString toolOutput(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(30000)) {
        tool.kill();
        tool.waitForFinished(5000);
        return QString();
    }
    return tool.exitCode() == 0 ? QString::fromLocal8Bit(tool.readAllStandardOutput()) : QString();
}

// The 64-bit libraries this machine's loader knows, by file name.
QHash<QString, QString> knownLibraries()
{
    QHash<QString, QString> known;
    const QString ldconfig = QStandardPaths::findExecutable(QStringLiteral("ldconfig"), {"/usr/sbin", "/sbin"});
    const QRegularExpression entry(QStringLiteral("^\\s*(\\S+) \\(([^)]*)\\) => (\\S+)$"));
    for (const QString& line : toolOutput(ldconfig, {"-p"}).split('\n')) {
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch() && m.captured(2).contains(QLatin1String("x86-64")) && !known.contains(m.captured(1)))
            known.insert(m.captured(1), m.captured(3));
    }
    return known;
}

QStringList neededLibraries(const QString& file)
{
    QStringList needed;
    const QRegularExpression entry(QStringLiteral("\\(NEEDED\\).*\\[(.+)\\]"));
    for (const QString& line : toolOutput(QStringLiteral("readelf"), {"-d", file}).split('\n')) {
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch())
            needed << m.captured(1);
    }
    return needed;
}

bool copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString copy = to + "/" + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(copy).absolutePath());
        if (!QFile::copy(QFileInfo(file).canonicalFilePath(), copy))
            return false;
    }
    return true;
}

} // namespace

BareRoot::BareRoot(const QString& dir, const QString& baselineFile)
    : m_dir(QDir(dir).absolutePath())
{
    if (::geteuid() != 0) {
        m_error = QStringLiteral("making a root needs the rights of root");
        return;
    }
    if (!enterOwnMountNamespace(&m_error))
        return;
    if (!build(baselineFile) && m_error.isEmpty())
        m_error = QStringLiteral("the root could not be made");
}

BareRoot::~BareRoot()
{
    for (auto it = m_mounts.crbegin(); it != m_mounts.crend(); ++it)
        ::umount2(QFile::encodeName(outside(*it)).constData(), MNT_DETACH);
}

bool BareRoot::build(const QString& baselineFile)
{
    QFile list(baselineFile);
    if (!list.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read ") + baselineFile;
        return false;
    }
    QStringList pending;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty() && !name.startsWith('#'))
            pending << name;
    }

    // The baseline as this machine has it, and what it needs in turn.
    const QHash<QString, QString> known = knownLibraries();
    if (known.isEmpty()) {
        m_error = QStringLiteral("ldconfig -p lists no libraries");
        return false;
    }
    QHash<QString, QString> libraries;
    while (!pending.isEmpty()) {
        const QString name = pending.takeLast();
        if (libraries.contains(name) || !known.contains(name))
            continue; // a baseline library this machine does not have
        libraries.insert(name, known.value(name));
        pending << neededLibraries(known.value(name));
    }
    for (const char* folder : {"/lib64", "/etc", "/tmp", "/dev", "/proc", "/home/player", "/opt"})
        QDir().mkpath(outside(QString::fromLatin1(folder)));
    QDir().mkpath(outside(QString::fromLatin1(kLibDir)));
    ::chmod(QFile::encodeName(outside("/tmp")).constData(), 01777);
    for (auto it = libraries.cbegin(); it != libraries.cend(); ++it) {
        const QString real = QFileInfo(it.value()).canonicalFilePath();
        if (!QFile::copy(real, outside(QString::fromLatin1(kLibDir) + "/" + it.key()))) {
            m_error = QStringLiteral("cannot copy ") + real;
            return false;
        }
        m_libraries << it.key();
    }
    m_libraries.sort();
    // Where every program asks for its loader.
    if (!QFile::copy(QFileInfo("/lib64/ld-linux-x86-64.so.2").canonicalFilePath(), outside("/lib64/ld-linux-x86-64.so.2"))) {
        m_error = QStringLiteral("cannot copy the loader");
        return false;
    }
    // fontconfig's own configuration travels with it on every host.
    if (QFileInfo::exists("/etc/fonts") && !copyTree("/etc/fonts", outside("/etc/fonts"))) {
        m_error = QStringLiteral("cannot copy /etc/fonts");
        return false;
    }

    if (!mountInto("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC))
        return false;
    for (const char* device : {"/dev/null", "/dev/zero", "/dev/random", "/dev/urandom"}) {
        QFile(outside(QString::fromLatin1(device))).open(QIODevice::WriteOnly);
        if (!mountInto(QString::fromLatin1(device), QString::fromLatin1(device), nullptr, MS_BIND))
            return false;
    }
    // The X server: its socket folder (read-only, so that nothing in the
    // root can remove the sockets) and a copy of the authority.
    if (QFileInfo::exists("/tmp/.X11-unix")) {
        QDir().mkpath(outside("/tmp/.X11-unix"));
        if (!mountInto("/tmp/.X11-unix", "/tmp/.X11-unix", nullptr, MS_BIND)
            || !mountInto("/tmp/.X11-unix", "/tmp/.X11-unix", nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY))
            return false;
        m_mounts.removeLast(); // the remount is the same mount
    }
    const QString authority = qEnvironmentVariable("XAUTHORITY");
    if (!authority.isEmpty() && !QFile::copy(authority, outside("/tmp/.Xauthority"))) {
        m_error = QStringLiteral("cannot copy the X authority ") + authority;
        return false;
    }
    return true;
}

bool BareRoot::mountInto(const QString& source, const QString& inside, const char* type, unsigned long flags)
{
    if (::mount(QFile::encodeName(source).constData(), QFile::encodeName(outside(inside)).constData(), type, flags,
                nullptr)
        != 0) {
        m_error = QStringLiteral("mount %1 on %2: %3").arg(source, outside(inside), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_mounts << inside;
    return true;
}

void BareRoot::start(QProcess& process, const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& extra) const
{
    QProcessEnvironment env;
    env.insert("PATH", "/usr/bin:/bin");
    env.insert("HOME", "/home/player");
    env.insert("LANG", "C.UTF-8");
    for (const char* name : {"DISPLAY", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (qEnvironmentVariableIsSet(name))
            env.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    }
    if (QFileInfo::exists(outside("/tmp/.Xauthority")))
        env.insert("XAUTHORITY", "/tmp/.Xauthority");
    env.insert(extra);
    process.setProcessEnvironment(env);
    process.start(QStandardPaths::findExecutable(QStringLiteral("chroot"), {"/usr/sbin", "/sbin"}),
                  QStringList{m_dir, program} + arguments);
}

} // namespace testsupport
