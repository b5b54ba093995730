#pragma once

#include <libtorrent/settings_pack.hpp>

namespace publish {

// The settings of a libtorrent session that seeds a release to peers on
// 127.0.0.1 only: listening there on a free port, over TCP, with no DHT,
// local service discovery, UPnP or NAT-PMP, so that it sends nothing to
// any other host.
libtorrent::settings_pack loopbackSeedSettings();

} // namespace publish
