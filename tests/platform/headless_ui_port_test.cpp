#include "test_support.h"

#include "platform/headless_ui_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexlo {
namespace {

using namespace std::chrono_literals;
using test::elapsedSince;
using test::waitUntil;

// Records what reaches the user-interface thread, as "m<number>:<text>" for a
// message and "t<id>" for a timer tick, and runs per-message actions.
class RecordingHandler : public UiHandler
{
public:
    using Action = std::function<LPARAM(const UiMessage&)>;

    LPARAM onMessage(const UiMessage& message) override
    {
        record("m" + std::to_string(message.message) + ":" + utf16ToAscii(message.text));
        Action action;
        {
            std::lock_guard lock(m_mutex);
            if (const auto found = m_actions.find(message.message); found != m_actions.end()) {
                action = found->second;
            }
        }
        return action ? action(message) : 0;
    }

    void onTimer(std::uint32_t timerId) override
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back("t" + std::to_string(timerId));
        ++m_ticks[timerId];
        m_lastTick[timerId] = std::chrono::steady_clock::now();
    }

    void on(std::uint32_t message, Action action)
    {
        std::lock_guard lock(m_mutex);
        m_actions[message] = std::move(action);
    }

    void record(std::string event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }

    std::vector<std::string> events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    std::size_t eventCount() const
    {
        std::lock_guard lock(m_mutex);
        return m_events.size();
    }

    int ticks(std::uint32_t id) const
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_ticks.find(id);
        return found == m_ticks.end() ? 0 : found->second;
    }

    std::chrono::steady_clock::time_point lastTick(std::uint32_t id) const
    {
        std::lock_guard lock(m_mutex);
        return m_lastTick.at(id);
    }

private:
    static std::string utf16ToAscii(const std::u16string& text)
    {
        std::string ascii;
        for (const char16_t unit : text) {
            ascii.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
        return ascii;
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::map<std::uint32_t, int> m_ticks;
    std::map<std::uint32_t, std::chrono::steady_clock::time_point> m_lastTick;
    std::map<std::uint32_t, Action> m_actions;
};

UiMessage message(std::uint32_t number, std::u16string text = {}, WPARAM wParam = 0)
{
    return UiMessage{number, wParam, 0, std::move(text)};
}

class HeadlessUiPortTest : public test::ScaledTimeTest
{
protected:
    HeadlessUiPortTest() : ScaledTimeTest(20.0), m_port(&m_handler) {}

    bool runUntilEvents(std::size_t count)
    {
        return m_port.runUntil([&] { return m_handler.eventCount() >= count; }, 5s);
    }

    RecordingHandler m_handler;
    HeadlessUiPort m_port;
};

using Events = std::vector<std::string>;

TEST_F(HeadlessUiPortTest, PostsAreHandledInOrderWithTheTextTheyCarried)
{
    std::u16string status = u"first";
    m_port.post(message(2126, status));
    status = u"rewritten"; // the queued copy must not change
    m_port.post(message(2129));
    m_port.post(message(2126, u"second"));
    EXPECT_EQ(m_port.pendingCount(), 3u);
    EXPECT_EQ(m_handler.eventCount(), 0u) << "nothing runs before the loop does";

    ASSERT_TRUE(runUntilEvents(3));
    EXPECT_EQ(m_handler.events(), (Events{"m2126:first", "m2129:", "m2126:second"}));
    EXPECT_EQ(m_port.pendingCount(), 0u);
}

TEST_F(HeadlessUiPortTest, SendFromAnotherThreadWaitsForTheHandlersResult)
{
    m_handler.on(2133, [](const UiMessage& m) { return static_cast<LPARAM>(m.wParam * 2); });
    std::atomic<LPARAM> result{-1};
    std::atomic<std::size_t> seenBeforeReturn{0};
    std::thread worker([&] {
        result = m_port.send(message(2133, u"format", 21));
        seenBeforeReturn = m_handler.eventCount();
    });
    ASSERT_TRUE(m_port.runUntil([&] { return result != -1; }, 5s));
    worker.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(seenBeforeReturn, 1u) << "the sender returns only after the handler ran";
}

TEST_F(HeadlessUiPortTest, SendOnTheUiThreadCallsTheHandlerAtOnce)
{
    m_handler.on(7, [](const UiMessage&) { return LPARAM{5}; });
    m_port.post(message(1));
    EXPECT_EQ(m_port.send(message(7)), 5);
    EXPECT_EQ(m_handler.events(), (Events{"m7:"})) << "ahead of the queued post";
    EXPECT_EQ(m_port.pendingCount(), 1u);
}

TEST_F(HeadlessUiPortTest, ShutdownReleasesWaitingSendersAndRefusesMore)
{
    std::atomic<LPARAM> result{-1};
    std::thread worker([&] { result = m_port.send(message(2133)); });
    ASSERT_TRUE(waitUntil([&] { return m_port.pendingCount() == 1; }));
    m_port.post(message(2126));
    m_port.shutdown();
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_port.pendingCount(), 0u);

    m_port.post(message(2126));
    EXPECT_EQ(m_port.pendingCount(), 0u) << "posts after shutdown are dropped";
    EXPECT_EQ(m_port.send(message(2133)), 0);
    std::thread late([&] { result = m_port.send(message(2133)); });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_handler.eventCount(), 0u);
}

TEST_F(HeadlessUiPortTest, ASenderWhoseMessageIsBeingHandledGetsItsResultDespiteShutdown)
{
    std::atomic<bool> inHandler{false};
    std::atomic<bool> finish{false};
    m_handler.on(2133, [&](const UiMessage&) {
        inHandler = true;
        while (!finish) {
            std::this_thread::yield();
        }
        return LPARAM{9};
    });
    std::atomic<LPARAM> result{-1};
    std::thread sender([&] { result = m_port.send(message(2133)); });
    std::thread closer([&] {
        if (waitUntil([&] { return inHandler.load(); })) {
            m_port.shutdown();
        }
        finish = true;
    });
    ASSERT_TRUE(m_port.runUntil([&] { return result != -1; }, 5s));
    sender.join();
    closer.join();
    EXPECT_EQ(result, 9);
}

TEST_F(HeadlessUiPortTest, RemovePostedDropsOnlyThatNumber)
{
    m_port.post(message(2126, u"a"));
    m_port.post(message(1032));
    m_port.post(message(2126, u"b"));
    m_port.post(message(2129));
    m_port.removePosted(2126);
    EXPECT_EQ(m_port.pendingCount(), 2u);
    ASSERT_TRUE(runUntilEvents(2));
    m_port.waitWhileHandling(100);
    EXPECT_EQ(m_handler.events(), (Events{"m1032:", "m2129:"}));
}

TEST_F(HeadlessUiPortTest, RemovePostedKeepsSentMessages)
{
    std::atomic<LPARAM> result{-1};
    m_handler.on(2133, [](const UiMessage&) { return LPARAM{1}; });
    std::thread worker([&] { result = m_port.send(message(2133)); });
    ASSERT_TRUE(waitUntil([&] { return m_port.pendingCount() == 1; }));
    m_port.removePosted(2133);
    ASSERT_TRUE(m_port.runUntil([&] { return result != -1; }, 5s));
    worker.join();
    EXPECT_EQ(result, 1);
}

TEST_F(HeadlessUiPortTest, TimersTickPeriodicallyInScaledTime)
{
    const auto start = std::chrono::steady_clock::now();
    m_port.setTimer(1000, 1500); // 75 ms of real time at scale 20
    ASSERT_TRUE(m_port.runUntil([&] { return m_handler.ticks(1000) >= 3; }, 5s));
    EXPECT_GE(elapsedSince(start), 3 * 75ms - 5ms);
    EXPECT_LT(elapsedSince(start), 3s);
}

TEST_F(HeadlessUiPortTest, AKilledTimerTicksNoMore)
{
    m_port.setTimer(1007, 100); // 5 ms of real time
    ASSERT_TRUE(m_port.runUntil([&] { return m_handler.ticks(1007) >= 2; }, 5s));
    m_port.killTimer(1007);
    const int ticks = m_handler.ticks(1007);
    m_port.waitWhileHandling(1000); // ten periods
    EXPECT_EQ(m_handler.ticks(1007), ticks);
}

TEST_F(HeadlessUiPortTest, SettingATimerAgainRestartsIt)
{
    m_port.setTimer(1008, 2000); // 100 ms of real time
    m_port.waitWhileHandling(1000);
    const auto restarted = std::chrono::steady_clock::now();
    m_port.setTimer(1008, 2000);
    ASSERT_TRUE(m_port.runUntil([&] { return m_handler.ticks(1008) >= 1; }, 5s));
    EXPECT_GE(m_handler.lastTick(1008) - restarted, 95ms)
        << "the first tick counts from the second setTimer";
}

TEST_F(HeadlessUiPortTest, TimersMayBeSetAndKilledFromAnotherThread)
{
    std::thread setter([&] { m_port.setTimer(5, 100); });
    ASSERT_TRUE(m_port.runUntil([&] { return m_handler.ticks(5) >= 3; }, 5s));
    setter.join();
    std::thread killer([&] { m_port.killTimer(5); });
    killer.join();
    const int ticks = m_handler.ticks(5);
    m_port.waitWhileHandling(500);
    EXPECT_EQ(m_handler.ticks(5), ticks);
}

TEST_F(HeadlessUiPortTest, ATickDueBeforeAPostIsHandledFirst)
{
    const auto due = std::chrono::steady_clock::now() + scaledDuration(100);
    m_port.setTimer(9, 100);
    while (std::chrono::steady_clock::now() <= due + 1ms) {
        std::this_thread::yield();
    }
    m_port.post(message(1));
    ASSERT_TRUE(runUntilEvents(2));
    const Events events = m_handler.events();
    EXPECT_EQ(events[0], "t9");
    EXPECT_EQ(events[1], "m1:");
}

TEST_F(HeadlessUiPortTest, AQuestionBlocksItsCallerWhilePostsKeepBeingHandled)
{
    std::thread helper;
    m_port.setAnswerer([&](const std::u16string& question) -> std::optional<bool> {
        m_handler.record("ask:" + std::to_string(question.size()));
        helper = std::thread([&] {
            m_port.post(message(2126, u"during"));
            m_port.post(message(2129, u"during"));
            if (waitUntil([&] { return m_handler.eventCount() >= 4; })) {
                m_port.answer(false);
            }
        });
        return std::nullopt;
    });
    m_handler.on(1, [&](const UiMessage&) {
        const bool yes = m_port.askYesNo(u"继续?");
        m_handler.record(yes ? "yes" : "no");
        return LPARAM{0};
    });
    m_port.post(message(1));
    ASSERT_TRUE(runUntilEvents(5));
    helper.join();
    EXPECT_EQ(m_handler.events(), (Events{"m1:", "ask:3", "m2126:during", "m2129:during", "no"}));
}

TEST_F(HeadlessUiPortTest, QuestionsAreAnsweredYesByDefaultOrByTheAnswerer)
{
    EXPECT_TRUE(m_port.askYesNo(u"格式化?"));
    m_port.setAnswerer([](const std::u16string&) { return std::optional<bool>(false); });
    EXPECT_FALSE(m_port.askYesNo(u"格式化?"));
    m_port.answer(true); // no open question: nothing happens
    EXPECT_FALSE(m_port.askYesNo(u"格式化?"));
}

TEST_F(HeadlessUiPortTest, AnOpenQuestionIsAnsweredNoWhenThePortShutsDown)
{
    std::thread closer;
    m_port.setAnswerer([&](const std::u16string&) -> std::optional<bool> {
        closer = std::thread([&] { m_port.shutdown(); });
        return std::nullopt;
    });
    EXPECT_FALSE(m_port.askYesNo(u"恢复出厂设置?"));
    closer.join();
}

TEST_F(HeadlessUiPortTest, NestedQuestionsAreAnsweredInnermostFirst)
{
    std::vector<std::thread> helpers;
    int asked = 0;
    m_port.setAnswerer([&](const std::u16string&) -> std::optional<bool> {
        if (++asked == 2) {
            // Answers the inner question, then the outer one.
            helpers.emplace_back([&] {
                m_port.answer(true);
                if (waitUntil([&] { return m_handler.eventCount() >= 3; })) {
                    m_port.answer(false);
                }
            });
        }
        return std::nullopt;
    });
    m_handler.on(2, [&](const UiMessage&) {
        m_handler.record(m_port.askYesNo(u"inner") ? "inner yes" : "inner no");
        return LPARAM{0};
    });
    m_handler.on(1, [&](const UiMessage&) {
        m_port.post(message(2));
        m_handler.record(m_port.askYesNo(u"outer") ? "outer yes" : "outer no");
        return LPARAM{0};
    });
    m_port.post(message(1));
    ASSERT_TRUE(runUntilEvents(4));
    for (auto& helper : helpers) {
        helper.join();
    }
    EXPECT_EQ(m_handler.events(), (Events{"m1:", "m2:", "inner yes", "outer no"}));
}

TEST_F(HeadlessUiPortTest, HandlersMayCallBackIntoThePort)
{
    m_handler.on(1, [&](const UiMessage&) {
        m_port.post(message(2));
        m_port.setTimer(3, 10);
        m_port.removePosted(99);
        return m_port.send(message(4)) + 1; // on the UI thread: direct
    });
    m_handler.on(3, [](const UiMessage&) { return LPARAM{0}; });
    m_handler.on(4, [](const UiMessage&) { return LPARAM{41}; });
    LPARAM result = 0;
    std::thread sender([&] { result = m_port.send(message(1)); });
    ASSERT_TRUE(m_port.runUntil(
        [&] { return m_handler.ticks(3) >= 1 && m_handler.eventCount() >= 3; }, 5s));
    sender.join();
    EXPECT_EQ(result, 42);
    const Events events = m_handler.events();
    EXPECT_EQ(Events(events.begin(), events.begin() + 3), (Events{"m1:", "m4:", "m2:"}));
}

TEST_F(HeadlessUiPortTest, OkBoxesReachTheObserver)
{
    std::vector<std::u16string> boxes;
    m_port.setBoxObserver([&](const std::u16string& text) { boxes.push_back(text); });
    m_port.showMessage(u"升级完成");
    m_port.showMessage(u"Done");
    EXPECT_EQ(boxes, (std::vector<std::u16string>{u"升级完成", u"Done"}));
}

TEST_F(HeadlessUiPortTest, WaitWhileHandlingLetsScaledTimePassWhileHandling)
{
    m_port.post(message(1));
    std::thread poster([&] { m_port.post(message(2)); });
    const auto start = std::chrono::steady_clock::now();
    m_port.waitWhileHandling(400); // 20 ms of real time
    poster.join();
    EXPECT_GE(elapsedSince(start), 19ms);
    EXPECT_LT(elapsedSince(start), 2s);
    m_port.waitWhileHandling(0);
    EXPECT_EQ(m_handler.eventCount(), 2u);
}

TEST_F(HeadlessUiPortTest, RunEndsOnQuitFromAnotherThread)
{
    std::thread ui([&] { m_port.run(); });
    m_port.post(message(1));
    ASSERT_TRUE(waitUntil([&] { return m_handler.eventCount() == 1; }));
    m_port.quit();
    ui.join();

    m_port.post(message(2));
    m_port.quit(); // a quit before run() ends the next run
    m_port.run();
    EXPECT_EQ(m_handler.eventCount(), 1u);
    EXPECT_EQ(m_port.pendingCount(), 1u);
}

} // namespace
} // namespace vexlo
