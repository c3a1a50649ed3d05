#pragma once

#include <atomic>
#include <cstdint>

namespace vexlo {

struct _DEVICERECORD;

// The values of the tasks' result and state fields.
enum LoginTaskResult : std::int32_t
{
    kLoginTaskFailed = -1,
    kLoginTaskPending = 0,
    kLoginTaskConfirmed = 1,
};
enum VersionTaskState : std::int32_t
{
    kVersionNotSent = 0,
    kVersionSent = 1,
    kVersionAnswered = 2,
};
enum UploadTaskResult : std::int32_t
{
    kUploadPending = 0,
    kUploadSubmitted = 1,
    kUploadGaveUp = 2,
};
enum ProgressTaskResult : std::int32_t
{
    kProgressWatched = 0,
    kProgressStalled = 2,
};
// How the device said the upload ended (a progress task's `finished`).
enum UploadEnd : std::int32_t
{
    kUploadRunning = 0,
    kUploadFinished = 1,
    kUploadFailed = 2,
};

// Task records of the upgrade pipeline. Each is allocated by its queueing
// operation and freed by one owner (see the workers). Fields that a callback
// writes while a poller reads them are atomics.

struct _LOGINTASK
{
    _DEVICERECORD* record = nullptr;
    std::atomic<std::int32_t> handle{0};
    std::atomic<std::int32_t> result{kLoginTaskPending};
    std::uint32_t startTick = 0; // 0: not started
    std::uint32_t lastAttemptTick = 0;
    std::uint32_t timeoutMs = 0;
};

struct _VERSIONTASK
{
    _DEVICERECORD* record = nullptr;
    char answer[256] = {};
    std::int32_t purpose = 0; // the record's loginPurpose: for upgrade, or after reboot
    std::atomic<std::int32_t> state{kVersionNotSent};
    std::uint32_t startTick = 0;
    std::uint32_t timeoutMs = 80000;
};

struct _UPLOADTASK
{
    _DEVICERECORD* record = nullptr;
    std::int32_t tries = 0;
    std::int32_t result = kUploadPending;
};

struct _PROGRESSTASK
{
    _DEVICERECORD* record = nullptr;
    std::int32_t bestPercent = 0;
    std::uint32_t lastChangeTick = 0;
    std::int32_t result = kProgressWatched;
    std::atomic<std::int32_t> finished{kUploadRunning};
};

} // namespace vexlo
