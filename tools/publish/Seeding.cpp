#include "tools/publish/Seeding.h"

namespace publish {

libtorrent::settings_pack loopbackSeedSettings()
{
    namespace lt = libtorrent;
    lt::settings_pack pack;
    pack.set_str(lt::settings_pack::listen_interfaces, "127.0.0.1:0");
    pack.set_str(lt::settings_pack::dht_bootstrap_nodes, "");
    for (int off : {lt::settings_pack::enable_dht, lt::settings_pack::enable_lsd, lt::settings_pack::enable_upnp,
                    lt::settings_pack::enable_natpmp, lt::settings_pack::enable_outgoing_utp,
                    lt::settings_pack::enable_incoming_utp})
        pack.set_bool(off, false);
    return pack;
}

} // namespace publish
