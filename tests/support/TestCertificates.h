#pragma once

#include <QString>

namespace testsupport {

// Certificates made with the openssl command for the HTTPS cases. Every
// server certificate uses serverKey.
struct TestCertificates
{
    QString caCert;        // a test certificate authority
    QString serverKey;
    QString serverCert;    // for 127.0.0.1 and localhost, signed by the test CA
    QString wrongNameCert; // for another host name, signed by the test CA
    QString expiredCert;   // for 127.0.0.1, signed by the test CA, expired in 2021
    QString selfSignedCert; // for 127.0.0.1, signed by nobody else
};

// Makes the certificates in dir; false (and a test failure) when openssl fails.
bool makeTestCertificates(const QString& dir, TestCertificates* out);

} // namespace testsupport
