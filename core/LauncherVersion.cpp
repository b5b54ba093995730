// The launcher's own version, alone in this file so that a build of the
// launcher can be linked with another one: the life-cycle test publishes
// such a build as the newer launcher that a self-update brings.

#include "core/ProductInfo.h"

Version launcherVersion()
{
    return Version(4, 0, 10174);
}
