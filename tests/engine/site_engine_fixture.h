#pragma once

#include "tests/support/net_sdk_site.h"
#include "tests/support/workers_fixture.h"

#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo {

// The seven workers against simulated cameras: each test gets its own site on
// loopback addresses of its own and the real device library (netsdk) talking
// to it over sockets. Time runs faster for the workers and the cameras alike;
// the device library's connect and login deadlines shrink with the clock too,
// and at this scale a login has half a second of real time, which a loaded
// machine under a sanitizer needs.
class SiteEngineTest : public WorkersFixture
{
protected:
    SiteEngineTest() : WorkersFixture(20.0) {}
    void releaseLibrary() override { m_site.reset(); }

    // A healthy camera with short check, reboot and format times (the re-login
    // after an upgrade makes its first attempt 15 s after the verdict, so the
    // camera is back by then).
    static vexlo::ipcsim::CameraSetup healthyCamera(const std::string& serial);

    // Starts the site (on a fresh address block), the device library and the
    // workers, and lists one record per camera, in order.
    void startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras);
    vexlo::ipcsim::CameraSnapshot cameraNow(std::size_t index) const;

    // A firmware file carrying `version` in the site's folder; its path.
    std::u16string makeFirmware(const std::string& version);
    // Logs the record in as an earlier instruction would have left it.
    void logInAlready(_DEVICERECORD& record);

    // What the upgrade instruction does for its ticked rows, then waits for
    // WM_UPGRADE_DONE.
    void upgrade(const std::vector<_DEVICERECORD*>& devices);
    // Posts a maintenance message and waits for its done message.
    void runMaintenance(std::uint32_t message, std::uint32_t doneMessage, WPARAM wParam = 0);

    // Status texts with seconds written as "#", and the upload percentages
    // below 100 too (how many of them a pass sees depends on how fast loopback
    // moves the file); repeats folded.
    Texts statusTexts(const _DEVICERECORD& record) const;
    // The same without any upload percentage and without the seconds of the
    // check wait: what a run shows however fast the upload and the check are.
    Texts stageTexts(const _DEVICERECORD& record) const;
    std::vector<int> uploadPercents(const _DEVICERECORD& record) const;
    // The most seconds shown in a status text that begins with `prefix` and
    // ends in "<n>(s)" or "(<n>s)"; -1 when there is none.
    int largestSeconds(const _DEVICERECORD& record, std::u16string_view prefix) const;
    // The index in the row updates of the first update of `record` for which
    // `match` holds; -1 when there is none.
    int firstRowIndex(const _DEVICERECORD& record,
                      const std::function<bool(const std::u16string&)>& match) const;

    // What the camera at `index` logged of one kind (and code, unless 0).
    std::vector<vexlo::ipcsim::RequestRecord> requestsTo(std::size_t index, std::string_view kind,
                                                         std::uint32_t code = 0) const;
    // Login hellos: one per connection the library opened to the camera.
    std::size_t loginAttempts(std::size_t index) const;
    // Uploads the camera was offered.
    std::size_t uploadsOffered(std::size_t index) const;

private:
    std::size_t notesOf(std::size_t index, std::string_view kind, std::string_view note) const;

    std::unique_ptr<vexlo::test::NetSdkSite> m_site;
};

} // namespace vexlo
