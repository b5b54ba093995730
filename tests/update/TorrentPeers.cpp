#include "tests/update/TorrentPeers.h"

#include "tools/publish/Seeding.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <libtorrent/add_torrent_params.hpp>
#include <libtorrent/address.hpp>
#include <libtorrent/bdecode.hpp>
#include <libtorrent/ip_filter.hpp>
#include <libtorrent/session.hpp>
#include <libtorrent/session_params.hpp>
#include <libtorrent/torrent_handle.hpp>
#include <libtorrent/torrent_info.hpp>
#include <libtorrent/torrent_status.hpp>

#include <gtest/gtest.h>

namespace lt = libtorrent;

namespace updatetest {
namespace {

lt::torrent_status statusOf(lt::session& session)
{
    const std::vector<lt::torrent_handle> torrents = session.get_torrents();
    return torrents.empty() ? lt::torrent_status() : torrents.front().status();
}

} // namespace

TestSeeder::TestSeeder(const QString& torrentPath, const QString& dataDir, int uploadLimit)
{
    lt::settings_pack pack = publish::loopbackSeedSettings();
    pack.set_int(lt::settings_pack::upload_rate_limit, uploadLimit);
    m_session.reset(new lt::session(lt::session_params(std::move(pack))));
    if (uploadLimit > 0) {
        // Peers on the loopback count as local, which rate limits leave
        // alone; put every address in the limited class.
        lt::ip_filter everyone;
        everyone.add_rule(lt::make_address("0.0.0.0"), lt::make_address("255.255.255.255"),
                          1 << static_cast<std::uint32_t>(lt::session::global_peer_class_id));
        m_session->set_peer_class_filter(everyone);
    }

    QFile file(torrentPath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << torrentPath.toStdString();
    const QByteArray bytes = file.readAll();
    lt::add_torrent_params params;
    lt::error_code error;
    params.ti = std::make_shared<lt::torrent_info>(bytes.constData(), bytes.size(), error);
    EXPECT_FALSE(error) << error.message();
    params.save_path = QFile::encodeName(dataDir).toStdString();
    // It only seeds: no announce of its own.
    params.ti->clear_trackers();
    params.flags &= ~lt::torrent_flags::auto_managed;
    params.flags &= ~lt::torrent_flags::paused;
    m_session->add_torrent(std::move(params), error);
    EXPECT_FALSE(error) << error.message();
    EXPECT_TRUE(QTest::qWaitFor([this] { return isSeeding(); }, 10000)) << "the test peer does not seed";
}

TestSeeder::~TestSeeder() = default;

bool TestSeeder::isSeeding() const
{
    return statusOf(*m_session).state == lt::torrent_status::seeding;
}

quint16 TestSeeder::port() const
{
    return m_session->listen_port();
}

qint64 TestSeeder::uploaded() const
{
    return statusOf(*m_session).all_time_upload;
}

QByteArray trackerResponse(quint16 peerPort)
{
    // A compact peer list: four bytes of address, two of port, big-endian.
    QByteArray peer("\x7f\x00\x00\x01", 4);
    uchar port[2];
    qToBigEndian(peerPort, port);
    peer.append(reinterpret_cast<const char*>(port), 2);
    return "d8:intervali1800e5:peers6:" + peer + "e";
}

QString sessionStateSetting(const QByteArray& state, int setting)
{
    lt::error_code error;
    const lt::bdecode_node node = lt::bdecode({state.constData(), state.size()}, error);
    if (error)
        return QString();
    return QString::fromStdString(lt::read_session_params(node).settings.get_str(setting));
}

QByteArray withSessionStateSetting(const QByteArray& state, int setting, const QString& value)
{
    lt::error_code error;
    const lt::bdecode_node node = lt::bdecode({state.constData(), state.size()}, error);
    if (error)
        return QByteArray();
    lt::session_params params = lt::read_session_params(node);
    params.settings.set_str(setting, value.toStdString());
    const std::vector<char> bytes = lt::write_session_params_buf(params);
    return QByteArray(bytes.data(), int(bytes.size()));
}

} // namespace updatetest
