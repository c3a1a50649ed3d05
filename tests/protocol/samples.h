#pragma once

#include "protocol/message.h"
#include "protocol/search_datagrams.h"

#include <vector>

namespace vexlo::protocol::samples {

// One message of every session type, with values away from the defaults.
std::vector<Message> everyMessage();
// One datagram of every search-channel type.
std::vector<Datagram> everyDatagram();
std::vector<std::uint8_t> encodeDatagram(const Datagram& datagram);
PlayHeader samplePlayHeader();

} // namespace vexlo::protocol::samples
