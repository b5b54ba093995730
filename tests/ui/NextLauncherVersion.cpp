// The version of the newer launcher that the life-cycle test publishes. It
// stands in for the launcher's own one at link time: this object comes
// before the libraries, so the linker never takes theirs.

#include "core/ProductInfo.h"

Version launcherVersion()
{
    return Version(4, 0, 10175);
}
