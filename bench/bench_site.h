#pragma once

#include "engine/device_record.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"

#include <memory>
#include <string>
#include <vector>

// The simulated site of a scenario run: `count` cameras like `base`, serials
// from `serialPattern`, on 127.A.1.1 upwards with A in [firstOctet,
// firstOctet + 10); A moves on when another program holds the block.
namespace vexlo::bench {

std::unique_ptr<ipcsim::Site> startBenchSite(const ipcsim::CameraSetup& base, int count,
                                             const std::string& serialPattern, int firstOctet);

// One device record per camera, in the site's order, as a search would list
// them (an ONVIF camera with its device service's port).
std::vector<std::unique_ptr<_DEVICERECORD>> listCameras(const ipcsim::Site& site);

} // namespace vexlo::bench
