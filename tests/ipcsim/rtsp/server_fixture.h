#pragma once

#include "ipcsim/alaw_tone.h"
#include "ipcsim/rtsp/rtsp_server.h"
#include "ipcsim/stream_loop.h"

#include <asio.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// A camera's RTSP server on loopback, on an io_context run by two threads as
// the simulator runs it, playing the real test card of camera SIMRTSP01.
class RtspServerTest : public ::testing::Test
{
protected:
    static std::shared_ptr<const vexlo::ipcsim::StreamLoop> card()
    {
        static const auto loop = vexlo::ipcsim::encodeStreamLoop("SIMRTSP01", "127.0.0.1");
        return loop;
    }

    static std::shared_ptr<const vexlo::ipcsim::rtsp::StreamContent> cardContent()
    {
        const auto loop = card();
        auto content = std::make_shared<vexlo::ipcsim::rtsp::StreamContent>();
        content->name = loop->serial;
        content->framesPerSecond = vexlo::ipcsim::kVideoFramesPerSecond;
        for (const auto& unit : loop->video) {
            content->video.push_back({unit.bytes, unit.key});
        }
        content->audio = vexlo::ipcsim::toneFrame();
        content->owner = loop;
        return content;
    }

    vexlo::ipcsim::rtsp::ServerSettings cardSettings()
    {
        vexlo::ipcsim::rtsp::ServerSettings settings;
        // Handed over on another thread, as the camera does once encoded.
        settings.content = [this](vexlo::ipcsim::rtsp::ContentReady ready) {
            std::lock_guard lock(m_providerMutex);
            m_providerThreads.emplace_back([ready = std::move(ready)] { ready(cardContent()); });
        };
        return settings;
    }

    void SetUp() override
    {
        for (int i = 0; i < 2; ++i) {
            m_threads.emplace_back([this] { m_io.run(); });
        }
    }

    void TearDown() override
    {
        m_server.reset();
        {
            std::lock_guard lock(m_providerMutex);
            for (auto& thread : m_providerThreads) {
                thread.join();
            }
        }
        m_work.reset();
        m_io.stop();
        for (auto& thread : m_threads) {
            thread.join();
        }
    }

    vexlo::ipcsim::rtsp::RtspServer& startServer(vexlo::ipcsim::rtsp::ServerSettings settings,
                                                 const std::string& address = "127.0.0.1")
    {
        m_server.emplace(m_io, std::move(settings));
        m_server->open(address, 0);
        return *m_server;
    }

    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work{
        asio::make_work_guard(m_io)};
    std::vector<std::thread> m_threads;
    std::optional<vexlo::ipcsim::rtsp::RtspServer> m_server;
    std::mutex m_providerMutex;
    std::vector<std::thread> m_providerThreads;
};
