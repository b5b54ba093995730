#pragma once

#include <QByteArray>
#include <QString>

#include <libtorrent/fwd.hpp>

#include <memory>

namespace updatetest {

// A BitTorrent peer of the tests' own: a libtorrent session on 127.0.0.1
// (TCP only, no DHT, local discovery, UPnP or NAT-PMP) that seeds one
// torrent from dataDir, the folder holding the torrent's files. The
// constructor waits (bounded) until it seeds.
class TestSeeder
{
public:
    // uploadLimit: bytes per second, 0 for no limit.
    TestSeeder(const QString& torrentPath, const QString& dataDir, int uploadLimit = 0);
    ~TestSeeder();
    TestSeeder(const TestSeeder&) = delete;
    TestSeeder& operator=(const TestSeeder&) = delete;

    bool isSeeding() const;
    quint16 port() const;
    // Payload bytes sent to other peers so far.
    qint64 uploaded() const;

private:
    std::unique_ptr<libtorrent::session> m_session;
};

// The body of a tracker's answer that names one peer on 127.0.0.1.
QByteArray trackerResponse(quint16 peerPort);

// "Session.conf" as libtorrent reads it: the value of a text setting, and
// the same file with one text setting changed; empty when it does not decode.
QString sessionStateSetting(const QByteArray& state, int setting);
QByteArray withSessionStateSetting(const QByteArray& state, int setting, const QString& value);

} // namespace updatetest
