#pragma once

#include <string_view>

namespace vexlo {

// Asks the kernel for a receive buffer of at least `bytes` on a socket, so a
// burst of datagrams that arrives while nobody reads waits in the queue instead
// of being dropped. An ordinary user is held to net.core.rmem_max; a privileged
// one gets the full size. Returns the size the kernel granted (its own
// bookkeeping counted in, as getsockopt reports it). When that is less than
// asked, one line on standard error says so, once per `socketName` and process.
int requestReceiveBuffer(int socketFd, int bytes, std::string_view socketName);

} // namespace vexlo
