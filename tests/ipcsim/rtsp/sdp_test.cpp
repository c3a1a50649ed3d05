#include "ipcsim/rtsp/request_target.h"
#include "ipcsim/rtsp/sdp.h"
#include "ipcsim/rtsp/transport_header.h"
#include "onvif/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexlo::ipcsim::rtsp;

namespace {

std::string b64(const std::string& text)
{
    return vexlo::onvif::base64Encode(std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto end = text.find("\r\n", begin);
        if (end == std::string::npos) {
            out.push_back(text.substr(begin) + "<no CRLF>");
            break;
        }
        out.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return out;
}

SessionDescription cameraDescription()
{
    SessionDescription description;
    description.address = "127.0.0.5";
    description.sessionId = 42;
    description.name = "SIM00005\r\na=evil";
    description.video.sps = {0x67, 0x64, 0x00, 0x0d, 0xac, 0xd9};
    description.video.pps = {0x68, 0xeb, 0xe3, 0xcb};
    description.audio = true;
    return description;
}

} // namespace

TEST(Base64Test, MatchesTheKnownVectors)
{
    EXPECT_EQ(b64(""), "");
    EXPECT_EQ(b64("f"), "Zg==");
    EXPECT_EQ(b64("fo"), "Zm8=");
    EXPECT_EQ(b64("foo"), "Zm9v");
    EXPECT_EQ(b64("foob"), "Zm9vYg==");
    EXPECT_EQ(b64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(vexlo::onvif::base64Encode(std::vector<std::uint8_t>{0xff, 0xfe, 0xfd}), "//79");
}

TEST(SdpTest, DescribesVideoAndSoundTracks)
{
    const auto sdp = lines(makeSdp(cameraDescription()));
    const std::vector<std::string> expected = {
        "v=0",
        "o=- 42 42 IN IP4 127.0.0.5",
        "s=SIM00005a=evil",
        "c=IN IP4 0.0.0.0",
        "t=0 0",
        "a=control:*",
        "a=range:npt=0-",
        "m=video 0 RTP/AVP 96",
        "a=rtpmap:96 H264/90000",
        "a=fmtp:96 packetization-mode=1;profile-level-id=64000D;"
        "sprop-parameter-sets=Z2QADazZ,aOvjyw==",
        "a=control:trackID=0",
        "m=audio 0 RTP/AVP 8",
        "a=rtpmap:8 PCMA/8000",
        "a=control:trackID=1",
    };
    EXPECT_EQ(sdp, expected);
}

TEST(SdpTest, LeavesOutTheSoundTrackOfASilentCamera)
{
    auto description = cameraDescription();
    description.audio = false;
    const auto sdp = makeSdp(description);
    EXPECT_EQ(sdp.find("m=audio"), std::string::npos);
    EXPECT_TRUE(sdp.ends_with("a=control:trackID=0\r\n"));
}

TEST(RequestTargetTest, NamesStreamAndTrack)
{
    const auto check = [](std::string_view uri, std::string stream, int track) {
        const auto target = parseRequestTarget(uri);
        ASSERT_TRUE(target) << uri;
        EXPECT_EQ(target->stream, stream) << uri;
        EXPECT_EQ(target->track, track) << uri;
    };
    check("rtsp://127.0.0.1:8554/main", "main", kAggregate);
    check("RTSP://camera/sub/", "sub", kAggregate);
    check("rtsp://127.0.0.1:8554/main/trackID=1", "main", 1);
    check("rtsp://h/main//trackID=0?x=1", "main", 0);
    check("/sub/trackID=0", "sub", 0);
    check("rtsp://127.0.0.1:8554", "", kAggregate);
    check("rtsp://h/a/b/c", "a/b/c", kAggregate);
    EXPECT_FALSE(parseRequestTarget("*"));
    EXPECT_FALSE(parseRequestTarget("http://h/main"));
    EXPECT_FALSE(parseRequestTarget("rtsp://h/main/trackID="));
    EXPECT_FALSE(parseRequestTarget("rtsp://h/main/trackID=99999"));
    EXPECT_FALSE(parseRequestTarget("rtsp://h/main/trackID=-1"));
}

TEST(TransportHeaderTest, PicksTheFirstTcpOffer)
{
    const auto ffmpeg = findTcpTransport("RTP/AVP/TCP;unicast;interleaved=2-3");
    ASSERT_TRUE(ffmpeg && ffmpeg->channels);
    EXPECT_EQ(ffmpeg->channels->rtp, 2);
    EXPECT_EQ(ffmpeg->channels->rtcp, 3);

    const auto second =
        findTcpTransport("RTP/AVP;unicast;client_port=5000-5001, rtp/avp/tcp ; interleaved = 4");
    ASSERT_TRUE(second && second->channels);
    EXPECT_EQ(second->channels->rtp, 4);
    EXPECT_EQ(second->channels->rtcp, 5);

    const auto unassigned = findTcpTransport("RTP/AVP/TCP;unicast");
    ASSERT_TRUE(unassigned);
    EXPECT_FALSE(unassigned->channels);
}

TEST(TransportHeaderTest, RefusesUdpAndBadChannels)
{
    EXPECT_FALSE(findTcpTransport("RTP/AVP;unicast;client_port=5000-5001"));
    EXPECT_FALSE(findTcpTransport("RTP/AVP/UDP;unicast;client_port=5000-5001"));
    EXPECT_FALSE(findTcpTransport(""));
    EXPECT_FALSE(findTcpTransport("RTP/AVP/TCP;interleaved=256-257"));
    EXPECT_FALSE(findTcpTransport("RTP/AVP/TCP;interleaved=255"));
    EXPECT_FALSE(findTcpTransport("RTP/AVP/TCP;interleaved=a-b"));
    EXPECT_FALSE(findTcpTransport("RTP/AVP/TCP;interleaved"));
}
