#pragma once

#include "tests/support/fake_device_library.h"
#include "tests/support/workers_fixture.h"

#include <string>
#include <vector>

namespace vexlo {

// The seven workers on a fake device library, at a high time scale.
class WorkerTest : public WorkersFixture
{
protected:
    WorkerTest();
    void releaseLibrary() override { fake.dropPending(); }

    // A listed camera at `ip` (also its serial number unless the script names one).
    _DEVICERECORD* addDevice(const std::string& ip, FakeDeviceScript script = {});
    // Marks the record as still logged in from an earlier instruction.
    void logInAlready(_DEVICERECORD& record);

    // Status texts with a number of seconds written as "#", repeats folded.
    Texts statusTexts(const _DEVICERECORD& record) const
    {
        return foldedStatus(record, foldSeconds);
    }
    // The calls of `name` made to the device at `ip`.
    std::vector<FakeCall> callsTo(const std::string& name, const std::string& ip) const;

    FakeDeviceLibrary fake;
};

} // namespace vexlo
