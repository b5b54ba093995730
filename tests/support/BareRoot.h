#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// A throw-away root for programs that must run on a bare host: it holds the
// shared libraries of a host baseline as this machine has them, with the
// libraries they need themselves, fontconfig's configuration, /proc, the
// null and random devices, and the X server's socket folder (read-only) with
// a copy of the X authority; nothing else. Programs are started in it with
// chroot and a clean environment (HOME "/home/player").
//
// Building it needs root and a mount namespace: the calling thread enters
// one of its own (testsupport::enterOwnMountNamespace), so the mounts are
// seen by this test alone. isReady() tells whether the root was made,
// error() why not. The mounts end with the object.
class BareRoot
{
public:
    // baselineFile: one library file name a line, "#" lines ignored.
    BareRoot(const QString& dir, const QString& baselineFile);
    ~BareRoot();
    BareRoot(const BareRoot&) = delete;
    BareRoot& operator=(const BareRoot&) = delete;

    bool isReady() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    QString dir() const { return m_dir; }
    // Where a path inside the root lies outside it.
    QString outside(const QString& inside) const { return m_dir + inside; }
    // The file names of the libraries the root holds.
    const QStringList& libraries() const { return m_libraries; }

    // Starts program (a path inside the root) there, with the arguments and
    // the extra environment.
    void start(QProcess& process, const QString& program, const QStringList& arguments,
               const QProcessEnvironment& extra = QProcessEnvironment()) const;

private:
    bool build(const QString& baselineFile);
    bool mountInto(const QString& source, const QString& inside, const char* type, unsigned long flags);

    QString m_dir;
    QString m_error;
    QStringList m_libraries;
    QStringList m_mounts; // inside paths, in mount order
};

} // namespace testsupport
