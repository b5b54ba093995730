#pragma once

#include <QString>

#include <libtorrent/fwd.hpp>

#include <functional>

// Tests only. With interfaces set ("127.0.0.1:0": libtorrent's list of
// address:port pairs), the engine's BitTorrent session listens there
// instead of on every interface, keeps DHT, local service discovery, UPnP
// and NAT-PMP off, knows no DHT bootstrap node and makes no outgoing uTP
// connection: it then reaches no host but the trackers, web seeds and peers
// a test names. It also tries a failed web seed again after a second rather
// than half a minute. An empty text restores the product's session. Takes
// effect for the next session created.
void setTorrentListenInterfacesForTests(const QString& interfaces);

// Tests only: how long a torrent may go without progress and without a
// peer before its download fails (see TorrentStall), instead of two
// minutes. 0 restores the product's bound.
void setTorrentStallBoundForTests(int milliseconds);

// The alert categories the engine's session posts (libtorrent's alert_mask):
// errors, the status changes that tell a torrent has finished or failed,
// and what its peers and web seeds answered.
int torrentSessionAlertMask();

// One step of the wait for a torrent of a session that posts those alerts:
// blocks for at most stepMs and returns true as soon as the session tells
// that the torrent has finished or stopped on an error (at once when such
// an alert is already queued), false when the step ran out. It takes the
// session's alerts off its queue, so the waiting thread is the session's
// only reader of alerts; each one it takes goes to onAlert, when given.
bool waitForTorrentNews(libtorrent::session& session, const libtorrent::torrent_handle& torrent, int stepMs,
                        const std::function<void(const libtorrent::alert&)>& onAlert = {});
