#include "test_stream.h"

#include "player/stream_header.h"

#include <gtest/gtest.h>

namespace vexlo::player {
namespace {

TEST(StreamHeader, VideoBlockGivesSizeRateAndSerial)
{
    const auto block = test::videoHeaderBlock();
    const auto header = parseVideoHeader(block.data(), static_cast<int>(block.size()));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 320u);
    EXPECT_EQ(header->height, 180u);
    EXPECT_EQ(header->framesPerSecond, 10u);
    EXPECT_EQ(header->serialNumber, "IPC20261207000001");
}

TEST(StreamHeader, SerialFilledToTheEndOfItsFieldIsCutThere)
{
    auto block = test::videoHeaderBlock();
    std::fill(block.begin() + 16, block.begin() + 48, 'S');
    block[48] = 'X'; // beyond the field: not part of the serial
    const auto header = parseVideoHeader(block.data(), static_cast<int>(block.size()));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->serialNumber, std::string(32, 'S'));
}

TEST(StreamHeader, AudioBlockGivesRateAndChannels)
{
    const auto block = test::audioHeaderBlock();
    const auto header = parseAudioHeader(block.data(), static_cast<int>(block.size()));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->sampleRate, 8000u);
    EXPECT_EQ(header->channels, 1u);
}

TEST(StreamHeader, RefusesAudioBlocksThatCannotBeDecoded)
{
    const auto block = test::audioHeaderBlock();
    EXPECT_FALSE(parseAudioHeader(nullptr, 276));
    EXPECT_FALSE(parseAudioHeader(block.data(), 275));
    const auto ulaw = test::audioHeaderBlock("PCMU");
    EXPECT_FALSE(parseAudioHeader(ulaw.data(), 276));
    const auto noRate = test::audioHeaderBlock("PCMA", 0, 1);
    EXPECT_FALSE(parseAudioHeader(noRate.data(), 276));
    const auto noChannels = test::audioHeaderBlock("PCMA", 8000, 0);
    EXPECT_FALSE(parseAudioHeader(noChannels.data(), 276));
    const auto hugeChannels = test::audioHeaderBlock("PCMA", 8000, 0xffffffffu);
    EXPECT_FALSE(parseAudioHeader(hugeChannels.data(), 276));
}

} // namespace
} // namespace vexlo::player
