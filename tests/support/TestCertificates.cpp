#include "tests/support/TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace testsupport {
namespace {

bool openssl(const QString& dir, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << "openssl " << arguments.join(' ').toStdString() << " failed:\n"
                      << process.readAll().toStdString();
        process.kill();
        process.waitForFinished(3000);
        return false;
    }
    return true;
}

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

bool makeTestCertificates(const QString& dir, TestCertificates* out)
{
    QDir().mkpath(dir);
    const QDir d(dir);
    const QStringList ecKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    const QByteArray serverNames = "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                   "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
    // "openssl ca" is the one command that takes explicit validity dates.
    const QByteArray caConfig = "[ca]\ndefault_ca=test\n"
                                "[test]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\n"
                                "default_md=sha256\npolicy=any\nunique_subject=no\n"
                                "[any]\ncommonName=supplied\n";
    if (!writeText(d.filePath("server.ext"), serverNames)
        || !writeText(d.filePath("other.ext"), "subjectAltName=DNS:other.invalid\nbasicConstraints=CA:FALSE\n")
        || !writeText(d.filePath("ca.cnf"), caConfig) || !writeText(d.filePath("index.txt"), "")
        || !writeText(d.filePath("serial"), "10\n")) {
        ADD_FAILURE() << "cannot write the openssl inputs in " << dir.toStdString();
        return false;
    }

    const bool ok =
        openssl(dir, QStringList{"req", "-x509"} + ecKey
                         + QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-subj", "/CN=Launcher Test CA",
                                       "-days", "2", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                                       "keyUsage=critical,keyCertSign,cRLSign"})
        && openssl(dir, QStringList{"req"} + ecKey
                            + QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"})
        && openssl(dir, {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial", "2",
                         "-days", "2", "-extfile", "server.ext", "-out", "server.pem"})
        && openssl(dir, {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial", "3",
                         "-days", "2", "-extfile", "other.ext", "-out", "other.pem"})
        && openssl(dir, {"ca", "-batch", "-config", "ca.cnf", "-cert", "ca.pem", "-keyfile", "ca.key", "-in",
                         "server.csr", "-out", "expired.pem", "-startdate", "20200101000000Z", "-enddate",
                         "20210101000000Z", "-notext", "-extfile", "server.ext"})
        && openssl(dir, {"req", "-x509", "-key", "server.key", "-out", "self.pem", "-subj", "/CN=127.0.0.1", "-days",
                         "2", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"});
    if (!ok)
        return false;
    out->caCert = d.filePath("ca.pem");
    out->serverKey = d.filePath("server.key");
    out->serverCert = d.filePath("server.pem");
    out->wrongNameCert = d.filePath("other.pem");
    out->expiredCert = d.filePath("expired.pem");
    out->selfSignedCert = d.filePath("self.pem");
    return true;
}

} // namespace testsupport
