#include "worker_fixture.h"

#include "engine/sdk_callbacks.h"
#include "platform/codepage.h"

namespace vexlo {

WorkerTest::WorkerTest() : WorkersFixture(100.0)
{
    registerSdkCallbacks(state);
    startWorkers();
}

_DEVICERECORD* WorkerTest::addDevice(const std::string& ip, FakeDeviceScript script)
{
    if (script.serial.empty())
        script.serial = "SN-" + ip;
    auto record = std::make_unique<_DEVICERECORD>();
    vexlo::copyToField(record->serialNo, script.serial);
    vexlo::copyToField(record->ipAddress, ip);
    vexlo::copyToField(record->userName, "admin");
    record->port = 8000;
    record->listRow = static_cast<int>(records.size());
    fake.addDevice(ip, std::move(script));
    records.push_back(std::move(record));
    return records.back().get();
}

void WorkerTest::logInAlready(_DEVICERECORD& record)
{
    record.loginHandle = fake.loginNow(std::string(vexlo::fieldText(record.ipAddress)));
    record.loginState = 1;
}

std::vector<FakeCall> WorkerTest::callsTo(const std::string& name, const std::string& ip) const
{
    std::vector<FakeCall> calls = fake.callsNamed(name);
    std::erase_if(calls, [&](const FakeCall& call) { return call.device != ip; });
    return calls;
}

} // namespace vexlo
