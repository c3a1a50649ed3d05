#include "platform/receive_buffer.h"

#include <iostream>
#include <mutex>
#include <set>
#include <string>
#include <sys/socket.h>

namespace vexlo {

namespace {

int grantedReceiveBuffer(int socketFd)
{
    int granted = 0;
    socklen_t length = sizeof granted;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
        return 0;
    return granted;
}

void reportShortBufferOnce(std::string_view socketName, int granted, int bytes)
{
    static std::mutex mutex;
    static std::set<std::string, std::less<>> reported;
    std::lock_guard lock(mutex);
    if (!reported.emplace(socketName).second)
        return;
    std::cerr << socketName << ": the system granted a receive buffer of " << granted
              << " bytes where " << bytes
              << " were asked; answers that arrive together may be lost "
                 "(raise net.core.rmem_max to keep them)\n";
}

} // namespace

int requestReceiveBuffer(int socketFd, int bytes, std::string_view socketName)
{
    // The kernel doubles the value it is given for its own bookkeeping and
    // reports the doubled size, so the granted size is compared with `bytes`
    // itself: a full grant reads back as twice that.
    ::setsockopt(socketFd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = grantedReceiveBuffer(socketFd);
    if (granted < bytes) {
        // Beyond net.core.rmem_max only with CAP_NET_ADMIN; harmless otherwise.
        ::setsockopt(socketFd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes);
        granted = grantedReceiveBuffer(socketFd);
    }
    if (granted < bytes)
        reportShortBufferOnce(socketName, granted, bytes);
    return granted;
}

} // namespace vexlo
