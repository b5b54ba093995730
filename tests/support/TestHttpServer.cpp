#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace testsupport {
namespace {

QString python()
{
    // The system's interpreter starts fastest; -I keeps the user's setup out.
    if (QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable())
        return QStringLiteral("/usr/bin/python3");
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

} // namespace

TestHttpServer::TestHttpServer(const Tls& tls)
    : m_dir(QDir::tempPath() + QStringLiteral("/launcher-http-XXXXXX"))
    , m_secure(!tls.certFile.isEmpty())
{
    QDir().mkpath(root());
    const QString portFile = m_dir.filePath(QStringLiteral("port"));
    QStringList arguments = {
        QStringLiteral("-I"),
        QStringLiteral(LAUNCHER_TEST_SUPPORT_DIR "/http_test_server.py"),
        QStringLiteral("--root"), root(),
        QStringLiteral("--port-file"), portFile,
        QStringLiteral("--rules"), m_dir.filePath(QStringLiteral("rules.json")),
        QStringLiteral("--log"), m_dir.filePath(QStringLiteral("requests.log")),
        QStringLiteral("--max-seconds"), QStringLiteral("600"),
    };
    if (m_secure)
        arguments << QStringLiteral("--cert") << tls.certFile << QStringLiteral("--key") << tls.keyFile;
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(python(), arguments);
    if (!m_process.waitForStarted(10000)) {
        ADD_FAILURE() << "the test HTTP server did not start: " << m_process.errorString().toStdString();
        return;
    }

    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && m_process.state() == QProcess::Running) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            m_port = quint16(file.readAll().trimmed().toUInt());
            break;
        }
        QThread::msleep(10);
    }
    if (m_port == 0)
        ADD_FAILURE() << "the test HTTP server did not report its port";
}

TestHttpServer::~TestHttpServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool TestHttpServer::isRunning() const
{
    return m_port != 0 && m_process.state() == QProcess::Running;
}

QString TestHttpServer::root() const
{
    return m_dir.filePath(QStringLiteral("root"));
}

QUrl TestHttpServer::url(const QString& pathAndQuery) const
{
    const QString scheme = m_secure ? QStringLiteral("https") : QStringLiteral("http");
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(m_port).arg(pathAndQuery));
}

void TestHttpServer::setRule(const QString& path, const QJsonObject& rule)
{
    m_rules.insert(path, rule);
    // Renamed into place: the server reads the file for every request.
    QSaveFile file(m_dir.filePath(QStringLiteral("rules.json")));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(m_rules).toJson()) < 0 || !file.commit())
        ADD_FAILURE() << "cannot write the test HTTP server's rules";
}

QList<QJsonObject> TestHttpServer::requests() const
{
    QList<QJsonObject> result;
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            result.append(QJsonDocument::fromJson(line).object());
    }
    return result;
}

} // namespace testsupport
