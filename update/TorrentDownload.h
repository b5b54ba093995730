#pragma once

#include <QString>

// Tests only. With interfaces set ("127.0.0.1:0": libtorrent's list of
// address:port pairs), the engine's BitTorrent session listens there
// instead of on every interface, keeps DHT, local service discovery, UPnP
// and NAT-PMP off, knows no DHT bootstrap node and makes no outgoing uTP
// connection: it then reaches no host but the trackers, web seeds and peers
// a test names. An empty text restores the product's session. Takes effect
// for the next session created.
void setTorrentListenInterfacesForTests(const QString& interfaces);
