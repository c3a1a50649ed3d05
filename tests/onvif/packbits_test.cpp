#include "onvif/packbits.h"

#include <gtest/gtest.h>

#include <random>

namespace vexlo::onvif {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PackBits, RoundTripsRunsLiteralsAndRunsLongerThanOnePacket)
{
    std::mt19937 random(7);
    std::vector<Bytes> inputs = {
        {}, {0x42}, {1, 1}, {1, 2, 2, 3}, Bytes(128, 9), Bytes(129, 9), Bytes(300, 0)};
    Bytes literal(300);
    for (std::size_t i = 0; i < literal.size(); ++i) {
        literal[i] = static_cast<std::uint8_t>(i);
    }
    inputs.push_back(literal);
    for (int round = 0; round < 200; ++round) {
        // Few distinct values, so runs and literals mix.
        Bytes mixed(random() % 400);
        for (auto& byte : mixed) {
            byte = static_cast<std::uint8_t>(random() % 3 == 0 ? random() : 0xFF);
        }
        inputs.push_back(mixed);
    }
    for (const Bytes& input : inputs) {
        const Bytes packed = packBits(input);
        EXPECT_LE(packed.size(), input.size() + (input.size() + 127) / 128);
        EXPECT_EQ(unpackBits(packed, input.size()), input);
    }
}

TEST(PackBits, MatchesTheCellMaskExampleCamerasAreDocumentedWith)
{
    // Eight by six cells: the top three rows active, then the left half.
    const Bytes mask = {0xFF, 0xFF, 0xFF, 0xF0, 0xF0, 0xF0};
    EXPECT_EQ(packBits(mask), (Bytes{0xFE, 0xFF, 0xFE, 0xF0}));

    std::vector<bool> cells(48, false);
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 8; ++column) {
            cells[row * 8 + column] = row < 3 || column < 4;
        }
    }
    EXPECT_EQ(encodeActiveCells(cells), "/v/+8A==");
    EXPECT_EQ(decodeActiveCells("/v/+8A==", 48), cells);
}

TEST(PackBits, RefusesCutShortAndOversizedInput)
{
    EXPECT_FALSE(unpackBits(Bytes{0x02, 0xAA, 0xBB}, 100));           // literal of 3, only 2 there
    EXPECT_FALSE(unpackBits(Bytes{0xFE}, 100));                       // repeat without its byte
    EXPECT_FALSE(unpackBits(Bytes{0x81, 0x00}, 127));                 // 128 bytes into room for 127
    EXPECT_EQ(unpackBits(Bytes{0x80, 0x00, 0x07}, 1), (Bytes{0x07})); // -128 is a no-op
}

TEST(ActiveCells, RefusesMasksOfTheWrongSizeAndIgnoresPaddingBits)
{
    // 22 x 18 = 396 cells need 50 bytes.
    const std::vector<bool> all(396, true);
    const std::string encoded = encodeActiveCells(all);
    EXPECT_EQ(decodeActiveCells(encoded, 396), all);
    EXPECT_FALSE(decodeActiveCells(encoded, 400 + 8)); // too short for more cells
    EXPECT_FALSE(decodeActiveCells(encoded, 300));     // too long for fewer
    EXPECT_FALSE(decodeActiveCells("not base64!", 396));
    EXPECT_FALSE(decodeActiveCells("", 396));
    // Set padding bits after the last cell do not make a cell.
    EXPECT_EQ(decodeActiveCells("AP8=", 4), std::vector<bool>(4, true)); // literal 0xFF
}

} // namespace
} // namespace vexlo::onvif
