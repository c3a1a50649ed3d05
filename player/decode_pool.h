#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The threads that decode every port of a player: as many as the machine has
// cores, however many streams play. A port with frames waiting is queued once;
// a worker decodes a few of its frames and, when more wait, queues it again
// at the back, so that every port gets its turn.
namespace vexlo::player {

class DecodePool
{
public:
    // A turn of one port: true when it has more to do and wants another turn.
    using Turn = std::function<bool()>;

    // 0 threads: one per core (at least two).
    explicit DecodePool(std::size_t threads = 0);
    ~DecodePool(); // drops the turns still queued and waits for the workers
    DecodePool(const DecodePool&) = delete;
    DecodePool& operator=(const DecodePool&) = delete;

    void schedule(Turn turn);
    std::size_t threadCount() const { return m_workers.size(); }

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Turn> m_turns;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace vexlo::player
