// The player against a stream it did not make itself: an H.264 file written by
// the ffmpeg tool, fed frame by frame through the IP_ORV_* calls, compared with
// the tool's own RGB rendering of the same frames.
#include "recording_target.h"
#include "test_stream.h"
#include "tests/support/temp_dir.h"

#include "player/ffmpeg_player.h"
#include "sdk/backend.h"
#include "sdk/player.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace vexlo::player {
namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 30;
constexpr int kPort = 4321;
// Mean absolute difference per channel that still counts as the same picture:
// the tool's RGB comes from the source, ours from the decoded stream.
constexpr double kMeanTolerance = 4.0;

std::vector<std::uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the ffmpeg tool with `arguments`; its messages go to `log`.
bool runFfmpeg(const std::string& arguments, const fs::path& log)
{
    const std::string command =
        "ffmpeg -hide_banner -nostdin -y -v error " + arguments + " 2>'" + log.string() + "'";
    return std::system(command.c_str()) == 0;
}

// Splits an Annex B byte stream at its access unit delimiters (NAL type 9),
// which the file carries in front of every frame.
std::vector<test::EncodedFrame> accessUnits(const std::vector<std::uint8_t>& stream)
{
    std::vector<std::size_t> starts; // offsets of the start codes of NAL units
    for (std::size_t i = 0; i + 3 < stream.size(); ++i) {
        if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1) {
            const std::size_t start = (i > 0 && stream[i - 1] == 0) ? i - 1 : i;
            starts.push_back(start);
            i += 2;
        }
    }
    std::vector<test::EncodedFrame> units;
    for (std::size_t n = 0; n < starts.size(); ++n) {
        std::size_t header = starts[n];
        while (stream[header] == 0)
            ++header;
        const int type = stream[header + 1] & 0x1F;
        if (type == 9 || units.empty())
            units.push_back({{}, 0, static_cast<int>(units.size()) * 100});
        const std::size_t end = n + 1 < starts.size() ? starts[n + 1] : stream.size();
        auto& unit = units.back();
        unit.data.insert(unit.data.end(), stream.begin() + static_cast<long>(starts[n]),
                         stream.begin() + static_cast<long>(end));
        if (type == 5)
            unit.frameValue = 1;
    }
    return units;
}

double meanDifference(const sdk::RgbPicture& picture, const std::uint8_t* source)
{
    double total = 0;
    for (std::size_t i = 0; i < picture.rgb.size(); ++i)
        total += std::abs(static_cast<int>(picture.rgb[i]) - static_cast<int>(source[i]));
    return total / static_cast<double>(picture.rgb.size());
}

TEST(FfmpegFile, EveryFrameOfAToolMadeFileMatchesItsSource)
{
    const vexlo::test::TempDir directory("vexlo-player-file");
    const std::string source =
        "-f lavfi -i testsrc2=size=320x180:rate=10 -frames:v " + std::to_string(kFrames);
    ASSERT_TRUE(runFfmpeg(source +
                              " -c:v libx264 -preset ultrafast -tune zerolatency -g 10 -bf 0"
                              " -x264-params aud=1:repeat-headers=1 -pix_fmt yuv420p -f h264 '" +
                              (directory / "clip.h264").string() + "'",
                          directory / "encode.log"))
        << readFile(directory / "encode.log").data();
    ASSERT_TRUE(runFfmpeg(source + " -pix_fmt rgb24 -f rawvideo '" +
                              (directory / "clip.rgb").string() + "'",
                          directory / "render.log"));
    const auto units = accessUnits(readFile(directory / "clip.h264"));
    const auto expected = readFile(directory / "clip.rgb");
    const std::size_t pictureBytes = 320u * 180u * 3u;
    ASSERT_EQ(units.size(), static_cast<std::size_t>(kFrames));
    ASSERT_EQ(expected.size(), pictureBytes * kFrames);
    EXPECT_EQ(units[0].frameValue, 1);
    EXPECT_EQ(units[10].frameValue, 1);

    FfmpegPlayer player;
    ASSERT_EQ(sdk::installPlayer(&player), nullptr);
    test::RecordingTarget target;
    const auto block = test::videoHeaderBlock();
    ASSERT_EQ(IP_ORV_Init(), 0);
    ASSERT_EQ(IP_ORV_OpenStream(kPort, block.data(), static_cast<int>(block.size()),
                                ORV_STREAM_VIDEO, 40),
              0);
    ASSERT_EQ(IP_ORV_Play(kPort, &target), 0);

    for (int frame = 0; frame < kFrames; ++frame) {
        const auto& unit = units[static_cast<std::size_t>(frame)];
        ASSERT_EQ(IP_ORV_InputVideoData(kPort, unit.data.data(), static_cast<int>(unit.data.size()),
                                        unit.frameValue, unit.timestamp),
                  0);
        ASSERT_TRUE(test::waitUntil([&] { return target.pictureCount() == frame + 1; }))
            << "frame " << frame << " gave no picture";
        const auto picture = target.newest();
        ASSERT_EQ(picture->width, 320);
        ASSERT_EQ(picture->height, 180);
        EXPECT_LT(meanDifference(*picture, expected.data() + pictureBytes * frame), kMeanTolerance)
            << "frame " << frame;
    }

    EXPECT_EQ(IP_ORV_Stop(kPort), 0);
    sdk::installPlayer(nullptr);
}

} // namespace
} // namespace vexlo::player
