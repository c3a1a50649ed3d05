#pragma once

#include "platform/message_queue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// A worker thread with its own message queue and a cooperative stop: stop()
// raises the flag, closes the queue and waits a bounded time for the body to
// return. A thread is never killed, so it never dies holding a lock or halfway
// through changing a list.
namespace vexlo {

class WorkerThread
{
public:
    // `self` is a handle the thread owns; it stays valid for as long as the body
    // runs, even when the WorkerThread that started it has gone.
    using Body = std::function<void(WorkerThread& self)>;

    explicit WorkerThread(std::string name);
    ~WorkerThread(); // stops with the default limit, unless a stop already timed out

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread once; later calls do nothing.
    void start(Body body);

    const std::string& name() const;
    ThreadMessageQueue& queue();
    bool stopRequested() const;

    // Sleeps `ms` milliseconds of scaled time or until a stop is requested;
    // returns false when the worker should end.
    bool sleep(std::uint32_t ms);

    // Requests the stop and waits up to `limit` (real time) for the body to end.
    // Returns true when it ended; otherwise the thread is left to end by itself.
    // Called by the body on itself, it only requests the stop.
    bool stop(std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

private:
    struct Shared;
    // The body's own handle, sharing the state with the owner.
    WorkerThread(std::shared_ptr<Shared> shared, std::string name);

    std::shared_ptr<Shared> m_shared;
    std::string m_name;
    std::thread m_thread;
    bool m_owner = true;
};

} // namespace vexlo
