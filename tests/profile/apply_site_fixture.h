#pragma once

#include "apply_test_support.h"
#include "tests/support/net_sdk_site.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "profile/apply_config.h"
#include "profile/config_profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo {

// The whole push as a site sees it: the real apply threads, the network
// device library and simulated cameras on loopback addresses, at a high time
// scale. The cameras' request log shows the exact bytes each one received.
class ApplySiteTest : public ::testing::Test
{
protected:
    // One second of the flow takes 50 ms: fast, yet loose enough that a
    // camera's answer still lands in the second the test expects it in when
    // the threads run under a sanitizer.
    static constexpr double kTimeScale = 20.0;

    ApplySiteTest();
    void TearDown() override;

    // Starts the cameras (on other addresses when the first are taken) and the
    // library, and lists one record per camera, in the same order.
    void startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras);

    std::vector<_DEVICERECORD*> allRecords() const;

    // What one camera received of one kind of call, in arrival order.
    std::vector<vexlo::ipcsim::RequestRecord> requestsOf(const std::string& serial,
                                                         std::string_view kind) const;
    std::vector<vexlo::ipcsim::RequestRecord> configRequests(const std::string& serial) const;
    // Everything one camera received, in arrival order.
    std::vector<vexlo::ipcsim::RequestRecord> allRequestsOf(const std::string& serial) const;

    // Logs `record`'s camera in as an earlier instruction would have, and
    // waits for the library to confirm it. Returns the handle, 0 on failure.
    int logInBeforehand(_DEVICERECORD& record, std::chrono::milliseconds limit);

    // The body the profile gives the section with `code`.
    std::string bodyOf(int code) const;

    BatchState state;
    RecordingUiPort ui;
    std::unique_ptr<vexlo::ConfigProfile> profile = std::make_unique<vexlo::ConfigProfile>();
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    vexlo::ApplyConfigController controller{state};

private:
    std::unique_ptr<vexlo::test::NetSdkSite> m_site;
};

} // namespace vexlo
