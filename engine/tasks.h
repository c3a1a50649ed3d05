#pragma once

#include <atomic>
#include <cstdint>

namespace vexlo {

struct _DEVICERECORD;

// Task records of the upgrade pipeline. Each is allocated by its queueing
// operation and freed by one owner (see the workers). Fields that a callback
// writes while a poller reads them are atomics.

struct _LOGINTASK
{
    _DEVICERECORD* record = nullptr;
    std::atomic<std::int32_t> handle{0};
    std::atomic<std::int32_t> result{0}; // 0 pending, 1 confirmed, -1 failed
    std::uint32_t startTick = 0;         // 0: not started
    std::uint32_t lastAttemptTick = 0;
    std::uint32_t timeoutMs = 0;
};

struct _VERSIONTASK
{
    _DEVICERECORD* record = nullptr;
    char answer[256] = {};
    std::int32_t purpose = 0;           // the record's loginPurpose: 2 or 3
    std::atomic<std::int32_t> state{0}; // 0 not sent, 1 sent, 2 answered
    std::uint32_t startTick = 0;
    std::uint32_t timeoutMs = 80000;
};

struct _UPLOADTASK
{
    _DEVICERECORD* record = nullptr;
    std::int32_t tries = 0;
    std::int32_t result = 0; // 1 submitted, 2 given up
};

struct _PROGRESSTASK
{
    _DEVICERECORD* record = nullptr;
    std::int32_t bestPercent = 0;
    std::uint32_t lastChangeTick = 0;
    std::int32_t result = 0;               // 2: stalled
    std::atomic<std::int32_t> finished{0}; // 0 running, 1 upload finished, 2 upload failed
};

} // namespace vexlo
