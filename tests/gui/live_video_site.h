#pragma once

#include "tests/support/event_recorder.h"

#include "engine/device_record.h"
#include "ipcsim/site.h"
#include "player/ffmpeg_player.h"
#include "sdk/backend.h"

#include <QImage>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// The video windows' real chain in one process: simulated cameras on a
// loopback block of their own, netsdk installed as the device library, the
// FFmpeg player installed as the player, and one logged-in device record per
// camera, as the engine leaves them after a login.
namespace vexlo::test {

class LiveVideoSite
{
public:
    static constexpr std::chrono::milliseconds kLoginWait{10000};

    // The cameras speak the home protocol and netsdk drives them, or they
    // speak ONVIF and the ONVIF device library drives them.
    enum class Protocol
    {
        Home,
        Onvif,
    };

    explicit LiveVideoSite(int cameraCount, Protocol protocol = Protocol::Home);
    // Uninstalls the player and the device library; close every video window
    // before.
    ~LiveVideoSite();
    LiveVideoSite(const LiveVideoSite&) = delete;
    LiveVideoSite& operator=(const LiveVideoSite&) = delete;

    // Logs every camera in and waits for each one's event 4; false when one
    // did not answer in time.
    bool logInAll();

    player::FfmpegPlayer& player() { return m_player; }
    const ipcsim::Site& site() const { return *m_site; }
    const std::vector<std::unique_ptr<_DEVICERECORD>>& records() const { return m_records; }
    std::vector<_DEVICERECORD*> devices() const;

private:
    std::unique_ptr<ipcsim::Site> m_site;
    std::unique_ptr<sdk::DeviceLibrary> m_sdk;
    EventRecorder m_events;
    player::FfmpegPlayer m_player;
    std::vector<std::unique_ptr<_DEVICERECORD>> m_records;
    // What was installed before, put back at the end.
    sdk::DeviceLibrary* m_previousLibrary = nullptr;
    sdk::Player* m_previousPlayer = nullptr;
};

// The share of an image's pixels, inside a margin, brighter than mid-grey:
// the test card's white text on its dark background, where a black pane or
// an undecoded picture has none.
double brightShare(const QImage& image, int margin);

// How much of the serial and address text of a camera's test card a decoded
// picture of the card's size gets wrong: the share of the pixels of both
// text areas whose brightness (text or background) differs; 1 for a picture
// of another size.
double cardMismatch(const sdk::RgbPicture& picture, const std::string& serial,
                    const std::string& address);

} // namespace vexlo::test
