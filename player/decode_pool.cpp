#include "player/decode_pool.h"

#include <algorithm>

namespace vexlo::player {

DecodePool::DecodePool(std::size_t threads)
{
    if (threads == 0)
        threads = std::max<std::size_t>(2, std::thread::hardware_concurrency());
    m_workers.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i)
        m_workers.emplace_back([this] { work(); });
}

DecodePool::~DecodePool()
{
    std::deque<Turn> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        dropped.swap(m_turns);
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void DecodePool::schedule(Turn turn)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_turns.push_back(std::move(turn));
    }
    m_wake.notify_one();
}

void DecodePool::work()
{
    for (;;) {
        Turn turn;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_turns.empty(); });
            if (m_stopping)
                return;
            turn = std::move(m_turns.front());
            m_turns.pop_front();
        }
        if (turn())
            schedule(std::move(turn));
    }
}

} // namespace vexlo::player
