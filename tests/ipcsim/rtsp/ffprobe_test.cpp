#include "server_fixture.h"
#include "tests/support/child_process.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <optional>
#include <set>

// Independent clients read the camera: Debian's ffprobe and ffmpeg, over
// RTSP with interleaved TCP, as a video management system would.
namespace {

constexpr std::chrono::seconds kChildTimeout{30};
constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct ChildResult
{
    std::optional<int> exitCode; // none when it did not end in time or was killed
    std::string output;          // standard output
    std::string errors;          // standard error
};

// `arguments[0]` is the program's absolute path.
ChildResult runChild(const std::vector<std::string>& arguments)
{
    vexlo::test::ChildProcess child;
    ChildResult result;
    if (!child.start(arguments))
        return result;
    result.output = child.readAll(kChildTimeout);
    result.exitCode = child.wait(std::chrono::seconds(1));
    result.errors = child.errors();
    return result;
}

} // namespace

TEST_F(RtspServerTest, FfprobeDecodesTheMainStream)
{
    auto& server = startServer(cardSettings());
    const auto result = runChild({"/usr/bin/ffprobe", "-v", "error", "-rtsp_transport", "tcp",
                                  "-count_frames", "-read_intervals", "%+3", "-select_streams", "v",
                                  "-show_entries", "stream=width,height,codec_name,nb_read_frames",
                                  "-of", "json", server.streamUri("main")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;

    const auto json = nlohmann::json::parse(result.output, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << result.output;
    ASSERT_EQ(json["streams"].size(), 1u) << result.output;
    const auto& stream = json["streams"][0];
    EXPECT_EQ(stream["codec_name"], "h264");
    EXPECT_EQ(stream["width"], kWidth);
    EXPECT_EQ(stream["height"], kHeight);
    const int frames = std::stoi(stream["nb_read_frames"].get<std::string>());
    EXPECT_GE(frames, 20);
    RecordProperty("ffprobe_frames", frames);
}

TEST_F(RtspServerTest, FfmpegGrabsAPictureOfTheSubStream)
{
    auto& server = startServer(cardSettings());
    const auto result = runChild({"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-rtsp_transport",
                                  "tcp", "-i", server.streamUri("sub"), "-frames:v", "1", "-f",
                                  "rawvideo", "-pix_fmt", "rgb24", "-"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    ASSERT_EQ(result.output.size(), static_cast<std::size_t>(kWidth * kHeight * 3));

    // The card shows text and colour, so a real picture has many distinct
    // colours; a blank or grey frame has one or two.
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 2 < result.output.size(); i += 3) {
        colours.insert(
            (static_cast<std::uint32_t>(static_cast<unsigned char>(result.output[i])) << 16) |
            (static_cast<std::uint32_t>(static_cast<unsigned char>(result.output[i + 1])) << 8) |
            static_cast<unsigned char>(result.output[i + 2]));
    }
    EXPECT_GE(colours.size(), 8u);
}
