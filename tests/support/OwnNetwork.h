#pragma once

#include <QString>

namespace testsupport {

// Moves the calling process, before it starts any thread, into a network
// namespace of its own whose only interface is the loopback, up. The local
// servers of a test and the programs it starts (launchers among them) share
// it, while nothing of other test processes or of the machine's own programs
// is seen there: neither their ports nor the abstract socket names that the
// single-instance guard of the launcher takes, which are the user's within
// one namespace. An X server outside stays reachable through its socket
// file. False, with the reason, where the system does not allow it.
bool enterOwnNetwork(QString* error);

} // namespace testsupport
