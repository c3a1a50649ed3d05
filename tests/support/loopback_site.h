#pragma once

#include "ipcsim/scenario.h"
#include "ipcsim/site.h"

#include <functional>
#include <memory>
#include <string>

// Starts an in-process simulated site on a loopback block of its own. Cameras
// are numbered 127.A.B.1, .2, ... (past 200 cameras B steps on). Each kind of
// test has a B of its own; A is picked in [firstOctet, firstOctet + span) from
// the process id, and the block is claimed for the whole process (a socket on
// 127.A.B.254), so no other test process starts cameras there, not even while
// one of these cameras reboots and leaves its address unbound.
namespace vexlo::test {

struct LoopbackBlock
{
    int firstOctet = 100; // the range of A
    int span = 50;
    int thirdOctet = 1; // B of the first 200 cameras
};

// A camera's MAC from its address and index; empty: derived from the address.
using MacForCamera = std::function<std::string(const std::string& address, std::size_t index)>;

struct LoopbackSite
{
    std::unique_ptr<ipcsim::Site> site;
    ipcsim::Scenario scenario; // with the addresses and MACs the cameras got
    int secondOctet = 0;       // the A that was taken

    // "127.A.B.host" of the block that was taken.
    std::string address(int host, int thirdOctet) const;
};

// Throws ipcsim::SiteError when no block could be bound after several tries.
LoopbackSite startLoopbackSite(ipcsim::Scenario scenario, const LoopbackBlock& block,
                               ipcsim::SiteOptions options, const MacForCamera& macFor = {});

} // namespace vexlo::test
