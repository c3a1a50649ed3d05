#include "gui_test_support.h"

#include "gui/qt_ui_port.h"
#include "platform/tick.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace vexlo {
namespace {

using test::waitFor;

// Records what reaches the user-interface thread and on which thread.
class RecordingHandler : public UiHandler
{
public:
    std::function<LPARAM(const UiMessage&)> onEach;

    LPARAM onMessage(const UiMessage& message) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back(message.message);
            m_texts.push_back(message.text);
            m_onGuiThread = m_onGuiThread && QThread::currentThread() == qApp->thread();
        }
        return onEach ? onEach(message) : 0;
    }
    void onTimer(std::uint32_t timerId) override
    {
        std::lock_guard lock(m_mutex);
        m_ticks.push_back(timerId);
        m_onGuiThread = m_onGuiThread && QThread::currentThread() == qApp->thread();
    }

    std::vector<std::uint32_t> messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<std::u16string> texts() const
    {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }
    std::size_t ticks(std::uint32_t id) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<std::size_t>(std::count(m_ticks.begin(), m_ticks.end(), id));
    }
    bool allOnGuiThread() const
    {
        std::lock_guard lock(m_mutex);
        return m_onGuiThread;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::uint32_t> m_messages;
    std::vector<std::u16string> m_texts;
    std::vector<std::uint32_t> m_ticks;
    bool m_onGuiThread = true;
};

class QtUiPortTest : public ::testing::Test
{
protected:
    void SetUp() override { setTimeScaleForTesting(100); }
    void TearDown() override
    {
        port.shutdown();
        setTimeScaleForTesting(1);
    }

    RecordingHandler handler;
    QtUiPort port{&handler};
};

TEST_F(QtUiPortTest, PostsFromWorkersArriveOnTheGuiThreadInOrderWithTheirTextCopies)
{
    std::thread worker([&] {
        std::u16string status = u"first";
        for (std::uint32_t number = 1; number <= 200; ++number) {
            port.post({number, 0, 0, status});
            status = u"rewritten " + std::u16string(1, static_cast<char16_t>(u'a' + number % 26));
        }
    });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return handler.messages().size() == 200; }));
    std::vector<std::uint32_t> expected(200);
    std::iota(expected.begin(), expected.end(), 1u);
    EXPECT_EQ(handler.messages(), expected);
    EXPECT_EQ(handler.texts().front(), u"first"); // the copy, not the later rewrite
    EXPECT_TRUE(handler.allOnGuiThread());
    EXPECT_EQ(port.pendingCount(), 0u);
}

TEST_F(QtUiPortTest, SendWaitsForTheHandlersResultAndKeepsOrderWithPosts)
{
    handler.onEach = [](const UiMessage& message) {
        return static_cast<LPARAM>(message.wParam * 2);
    };
    std::atomic<LPARAM> result{-1};
    std::thread worker([&] {
        port.post({10, 0, 0, {}});
        result = port.send({20, 21, 0, {}});
    });
    ASSERT_TRUE(waitFor([&] { return result.load() != -1; }));
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(handler.messages(), (std::vector<std::uint32_t>{10, 20}));
    EXPECT_TRUE(handler.allOnGuiThread());
}

TEST_F(QtUiPortTest, SendOnTheGuiThreadRunsTheHandlerAtOnce)
{
    handler.onEach = [](const UiMessage& message) {
        return static_cast<LPARAM>(message.lParam + 1);
    };
    port.post({1, 0, 0, {}}); // queued: not handled before the send
    EXPECT_EQ(port.send({2, 0, 6, {}}), 7);
    EXPECT_EQ(handler.messages(), (std::vector<std::uint32_t>{2}));
    ASSERT_TRUE(waitFor([&] { return handler.messages().size() == 2; }));
}

TEST_F(QtUiPortTest, RemovePostedDropsOnlyThatMessageAndLaterPostsStillArrive)
{
    port.post({2126, 1, 4, u"row"});
    port.post({2129, 0, 0, {}});
    port.post({2126, 2, 5, u"row"});
    EXPECT_EQ(port.pendingCount(), 3u);
    port.removePosted(2126);
    EXPECT_EQ(port.pendingCount(), 1u);
    port.post({2126, 3, 6, u"after"});
    ASSERT_TRUE(waitFor([&] { return handler.messages().size() == 2; }));
    QTest::qWait(1); // let the now empty queued calls run: they must deliver nothing
    EXPECT_EQ(handler.messages(), (std::vector<std::uint32_t>{2129, 2126}));
    EXPECT_EQ(handler.texts().back(), u"after");
}

TEST_F(QtUiPortTest, ShutdownReleasesAWaitingSenderAndRefusesLaterPosts)
{
    std::atomic<bool> queued{false};
    std::atomic<LPARAM> result{-1};
    handler.onEach = [](const UiMessage&) { return LPARAM{99}; };
    std::thread worker([&] {
        queued = true;
        result = port.send({5, 0, 0, {}});
    });
    // The event loop does not run, so the send stays queued until shutdown.
    while (!queued || port.pendingCount() == 0)
        std::this_thread::yield();
    port.shutdown();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    port.post({6, 0, 0, {}});
    EXPECT_EQ(port.pendingCount(), 0u);
    QTest::qWait(1);
    EXPECT_TRUE(handler.messages().empty());
}

TEST_F(QtUiPortTest, TimersTickInScaledTimeUntilKilledAndCanBeStartedFromAWorker)
{
    port.setTimer(1000, 1500); // 15 ms at scale 100
    ASSERT_TRUE(waitFor([&] { return handler.ticks(1000) >= 3; }));
    EXPECT_TRUE(port.timerActive(1000));
    port.killTimer(1000);
    EXPECT_FALSE(port.timerActive(1000));
    const std::size_t ticksAtKill = handler.ticks(1000);

    std::thread worker([&] { port.setTimer(1008, 1500); });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return handler.ticks(1008) >= 2; }));
    EXPECT_EQ(handler.ticks(1000), ticksAtKill);
    std::thread killer([&] { port.killTimer(1008); });
    killer.join();
    ASSERT_TRUE(waitFor([&] { return !port.timerActive(1008); }));
    EXPECT_TRUE(handler.allOnGuiThread());
}

TEST_F(QtUiPortTest, QuestionKeepsHandlingPostsUntilAnsweredAndIsCaptionedWithTheTitle)
{
    std::vector<std::string> order;
    bool answer = false;
    std::thread worker;
    handler.onEach = [&](const UiMessage& message) -> LPARAM {
        if (message.message == 1) {
            answer = port.askYesNo(u"是否继续操作？");
            order.push_back(answer ? "answered yes" : "answered no");
        } else {
            order.push_back("message " + std::to_string(message.message));
        }
        return 0;
    };
    QString caption;
    QString text;
    bool posted = false;
    test::answerNextBox(QMessageBox::Yes, &caption, &text, [&] {
        // While the box is open a worker posts; the answer waits for its delivery.
        if (!posted) {
            posted = true;
            worker = std::thread([&] { port.post({2, 0, 0, {}}); });
        }
        return handler.messages().size() == 2;
    });
    port.post({1, 0, 0, {}});
    ASSERT_TRUE(waitFor([&] { return order.size() == 2; }));
    worker.join();
    EXPECT_EQ(order, (std::vector<std::string>{"message 2", "answered yes"}));
    EXPECT_EQ(caption, QStringLiteral("Vexlo_V1.4.5"));
    EXPECT_EQ(text, QStringLiteral("是否继续操作？"));
}

TEST_F(QtUiPortTest, QuestionAnsweredNoAndMessageBoxesAreModal)
{
    QString caption;
    Qt::WindowModality modality = Qt::NonModal;
    test::answerNextBox(QMessageBox::No, &caption, nullptr, [&] {
        modality = test::openMessageBox()->windowModality();
        return true;
    });
    EXPECT_FALSE(port.askYesNo(u"搜索到的IPC数量与设备升级数量不一致，是否继续搜索？"));
    EXPECT_EQ(caption, QStringLiteral("Vexlo_V1.4.5"));
    EXPECT_NE(modality, Qt::NonModal);

    QString text;
    test::answerNextBox(QMessageBox::Ok, &caption, &text);
    port.showMessage(u"请先选择设备!");
    EXPECT_EQ(text, QStringLiteral("请先选择设备!"));
    EXPECT_EQ(caption, QStringLiteral("Vexlo_V1.4.5"));
}

TEST_F(QtUiPortTest, QuestionsIgnoreEscapeAndTheCloseBox)
{
    for (const char16_t* question :
         {u"搜索到的IPC数量与设备升级数量不一致，是否继续搜索？", u"是否继续操作？"}) {
        bool triedToDismiss = false;
        bool stillOpen = false;
        test::answerNextBox(QMessageBox::Yes, nullptr, nullptr, [&] {
            QMessageBox* box = test::openMessageBox();
            if (!triedToDismiss) {
                triedToDismiss = true;
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &escape);
                box->close();
                return false; // look again on the next poll
            }
            stillOpen = box->isVisible();
            return true;
        });
        EXPECT_TRUE(port.askYesNo(question)) << "Escape or the close box answered No";
        EXPECT_TRUE(stillOpen);
    }
}

TEST_F(QtUiPortTest, WaitLetsScaledTimePassWhileMessagesAndTicksAreHandled)
{
    port.setTimer(1007, 100); // 1 ms real
    std::thread worker([&] { port.post({2126, 0, 6, u"new IP"}); });
    QElapsedTimer elapsed;
    elapsed.start();
    port.waitWhileHandling(4000); // 40 ms real at scale 100
    worker.join();
    EXPECT_GE(elapsed.elapsed(), 39);
    EXPECT_EQ(handler.messages(), (std::vector<std::uint32_t>{2126}));
    EXPECT_GE(handler.ticks(1007), 1u);
    port.killTimer(1007);
}

TEST_F(QtUiPortTest, AfterHandlingRunsOncePerDeliveryAndBeforeABoxOpens)
{
    int syncs = 0;
    port.setAfterHandling([&] { ++syncs; });
    port.post({1, 0, 0, {}});
    port.post({2, 0, 0, {}});
    ASSERT_TRUE(waitFor([&] { return handler.messages().size() == 2; }));
    EXPECT_EQ(syncs, 2);
    test::answerNextBox(QMessageBox::Ok, nullptr, nullptr);
    port.showMessage(u"x");
    EXPECT_EQ(syncs, 3);
}

} // namespace
} // namespace vexlo
