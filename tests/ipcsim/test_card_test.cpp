#include "media_decode.h"

#include "ipcsim/alaw_tone.h"
#include "ipcsim/bitmap_font.h"
#include "ipcsim/h264_encoder.h"
#include "ipcsim/stream_loop.h"
#include "ipcsim/test_card.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

using namespace vexlo::ipcsim;

namespace {

// Every character the serial numbers and addresses of a site may use.
const std::string kSerialAndAddressCharacters =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.-:_/";

int litPixels(const Glyph& glyph)
{
    int count = 0;
    for (int y = 0; y < kGlyphHeight; ++y) {
        for (int x = 0; x < kGlyphWidth; ++x) {
            count += glyph.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

int textPixels(const std::string& text)
{
    int count = 0;
    for (char c : text) {
        count += litPixels(glyphOrBox(c));
    }
    return count;
}

// Pixels of the area that the card paints in the text colour.
int brightPixelsIn(const YuvPicture& picture, const TextArea& area)
{
    int count = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            count += picture.luma(x, y) == TestCard::kText.y ? 1 : 0;
        }
    }
    return count;
}

std::vector<std::vector<std::uint8_t>> bytesOf(const std::vector<AccessUnit>& units)
{
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const auto& unit : units) {
        bytes.push_back(unit.bytes);
    }
    return bytes;
}

} // namespace

TEST(BitmapFont, DrawsEveryCharacterOfSerialsAndAddressesDistinctly)
{
    std::set<std::array<std::uint8_t, kGlyphHeight>> shapes;
    for (char c : kSerialAndAddressCharacters) {
        const Glyph* glyph = findGlyph(c);
        ASSERT_NE(glyph, nullptr) << "no glyph for '" << c << "'";
        EXPECT_GT(litPixels(*glyph), 0) << "'" << c << "' would be blank";
        EXPECT_TRUE(shapes.insert(glyph->rows).second) << "'" << c << "' looks like another";
        for (std::uint8_t row : glyph->rows) {
            EXPECT_EQ(row & ~0x1F, 0) << "'" << c << "' is wider than the font";
        }
    }
}

TEST(BitmapFont, AnUnknownCharacterShowsAsABoxNotAGap)
{
    for (char c : {'@', '\x01', '\xC3', '~'}) {
        EXPECT_EQ(findGlyph(c), nullptr);
        EXPECT_GT(litPixels(glyphOrBox(c)), 0);
    }
    EXPECT_EQ(litPixels(glyphOrBox(' ')), 0) << "the space stays blank";
    EXPECT_FALSE(glyphOrBox('8').pixel(-1, 0));
    EXPECT_FALSE(glyphOrBox('8').pixel(0, kGlyphHeight));
}

TEST(TestCard, ShowsTheSerialAndAddressLargeAndWhole)
{
    const TestCard card("VX26010022", "127.0.10.22", kLoopFrames);
    const YuvPicture picture = card.draw(0);
    ASSERT_EQ(picture.width(), 320);
    ASSERT_EQ(picture.height(), 180);
    for (const TextArea* area : {&card.serialArea(), &card.addressArea()}) {
        EXPECT_EQ(area->scale, 4) << area->text;
        EXPECT_GE(area->x, 0);
        EXPECT_LE(area->x + area->width, picture.width());
        // Every lit font pixel became a scale × scale block of text colour.
        EXPECT_EQ(brightPixelsIn(picture, *area),
                  textPixels(area->text) * area->scale * area->scale)
            << area->text;
    }
    EXPECT_EQ(card.serialArea().text, "VX26010022");
    EXPECT_EQ(card.addressArea().text, "127.0.10.22");
    EXPECT_LE(card.serialArea().y + card.serialArea().height, card.addressArea().y)
        << "the lines overlap";
}

TEST(TestCard, ALongSerialShrinksThenIsCutToFit)
{
    const TestCard medium("CAMERA-SERIAL-0000012345", "127.0.0.1", kLoopFrames);
    EXPECT_LT(medium.serialArea().scale, 4);
    EXPECT_EQ(medium.serialArea().text, "CAMERA-SERIAL-0000012345");
    EXPECT_LE(medium.serialArea().x + medium.serialArea().width, TestCard::kWidth);

    const TestCard huge(std::string(500, 'W'), "", kLoopFrames);
    EXPECT_EQ(huge.serialArea().scale, 1);
    EXPECT_LT(huge.serialArea().text.size(), 500u);
    EXPECT_GE(huge.serialArea().x, 0);
    EXPECT_LE(huge.serialArea().x + huge.serialArea().width, TestCard::kWidth);
    EXPECT_EQ(huge.draw(3).width(), TestCard::kWidth);
}

TEST(TestCard, TwoCamerasLookDifferent)
{
    const auto a = TestCard("VX26010001", "127.0.10.1", kLoopFrames).draw(0);
    const auto otherSerial = TestCard("VX26010002", "127.0.10.1", kLoopFrames).draw(0);
    const auto otherAddress = TestCard("VX26010001", "127.0.10.7", kLoopFrames).draw(0);
    EXPECT_NE(a.lumaPlane(), otherSerial.lumaPlane());
    EXPECT_NE(a.lumaPlane(), otherAddress.lumaPlane());
}

TEST(TestCard, TheBoxCrossesThePictureOncePerLoop)
{
    const TestCard card("VX1", "127.0.0.1", kLoopFrames);
    int previous = -1;
    for (int frame = 0; frame < kLoopFrames; ++frame) {
        const int left = card.markerLeft(frame);
        EXPECT_GT(left, previous) << "frame " << frame;
        previous = left;
        const YuvPicture picture = card.draw(frame);
        const int middle = TestCard::markerTop() + TestCard::kMarkerSize / 2;
        EXPECT_NE(picture.luma(left + 2, middle), TestCard::kBackground.y) << "frame " << frame;
    }
    EXPECT_EQ(card.markerLeft(0), 0);
    EXPECT_GE(card.markerLeft(kLoopFrames - 1), TestCard::kWidth - TestCard::kMarkerSize - 1);
    EXPECT_EQ(card.markerLeft(kLoopFrames), card.markerLeft(0)) << "the loop repeats";
    EXPECT_NE(card.draw(1).lumaPlane(), card.draw(2).lumaPlane());
    EXPECT_EQ(card.draw(kLoopFrames + 2).lumaPlane(), card.draw(2).lumaPlane());
}

TEST(YuvPicture, FillIsCutToThePicture)
{
    YuvPicture picture(6, 5, {10, 20, 30});
    picture.fill(-100, 3, 1000, 1000, {200, 1, 2});
    picture.fill(7, 0, 5, 5, {99, 99, 99});  // wholly outside
    picture.fill(2, 1, -3, 2, {99, 99, 99}); // negative width
    EXPECT_EQ(picture.luma(0, 2), 10);
    EXPECT_EQ(picture.luma(5, 4), 200);
    EXPECT_EQ(picture.luma(0, 3), 200);
    EXPECT_EQ(picture.luma(6, 4), 0) << "outside";
    EXPECT_EQ(picture.uPlane().size(), 9u); // 3 × 3, rounded up
    EXPECT_EQ(picture.uPlane().back(), 1);
    EXPECT_EQ(picture.uPlane().front(), 20);
}

TEST(H264Encoder, TheLoopDecodesToTheCardWithItsTextBright)
{
    const TestCard card("VX26010022", "127.0.10.22", kLoopFrames);
    const auto loop = encodeStreamLoop("VX26010022", "127.0.10.22");
    ASSERT_EQ(loop->video.size(), static_cast<std::size_t>(kLoopFrames));

    const auto pictures = simtest::decodeH264(bytesOf(loop->video));
    ASSERT_EQ(pictures.size(), loop->video.size());
    for (std::size_t index : {std::size_t{0}, std::size_t{7}, std::size_t{49}}) {
        const auto& decoded = pictures[index];
        ASSERT_EQ(decoded.width, 320);
        ASSERT_EQ(decoded.height, 180);
        const YuvPicture source = card.draw(static_cast<int>(index));
        for (const TextArea* area : {&card.serialArea(), &card.addressArea()}) {
            double text = 0, background = 0;
            int textCount = 0, backgroundCount = 0;
            for (int y = area->y; y < area->y + area->height; ++y) {
                for (int x = area->x; x < area->x + area->width; ++x) {
                    if (source.luma(x, y) == TestCard::kText.y) {
                        text += decoded.lumaAt(x, y);
                        ++textCount;
                    } else {
                        background += decoded.lumaAt(x, y);
                        ++backgroundCount;
                    }
                }
            }
            ASSERT_GT(textCount, 0);
            EXPECT_GT(text / textCount, 190) << "frame " << index << ": " << area->text;
            EXPECT_LT(background / backgroundCount, 70) << "frame " << index << ": " << area->text;
        }
    }
}

TEST(H264Encoder, EveryTenthUnitIsAKeyFrameWithItsParameterSets)
{
    const auto loop = encodeStreamLoop("VX1", "127.0.0.1");
    ASSERT_EQ(loop->video.size(), static_cast<std::size_t>(kLoopFrames));
    for (std::size_t i = 0; i < loop->video.size(); ++i) {
        const auto& unit = loop->video[i];
        ASSERT_GE(unit.bytes.size(), 5u);
        EXPECT_EQ(std::vector<std::uint8_t>(unit.bytes.begin(), unit.bytes.begin() + 4),
                  (std::vector<std::uint8_t>{0, 0, 0, 1}))
            << "unit " << i << " is not Annex B";
        const auto types = simtest::nalTypes(unit.bytes);
        const auto has = [&types](int type) {
            return std::find(types.begin(), types.end(), type) != types.end();
        };
        const bool key = i % kKeyFrameInterval == 0;
        EXPECT_EQ(unit.key, key) << "unit " << i;
        EXPECT_EQ(has(simtest::kNalIdr), key) << "unit " << i;
        EXPECT_EQ(has(simtest::kNalSps), key) << "unit " << i;
        EXPECT_EQ(has(simtest::kNalPps), key) << "unit " << i;
    }
    // A decoder that joins at a later key frame still gets whole pictures.
    std::vector<std::vector<std::uint8_t>> fromTwenty;
    for (std::size_t i = 20; i < 25; ++i) {
        fromTwenty.push_back(loop->video[i].bytes);
    }
    EXPECT_EQ(simtest::decodeH264(fromTwenty).size(), 5u);
}

TEST(H264Encoder, RefusesPicturesOfTheWrongSizeAndUnusableSettings)
{
    EXPECT_THROW(encodeH264(3, [](int) { return YuvPicture(100, 100, {}); }), EncoderError);
    H264Settings odd;
    odd.width = 321;
    EXPECT_THROW(encodeH264(
                     1, [](int) { return YuvPicture(321, 180, {}); }, odd),
                 EncoderError);
    EXPECT_TRUE(encodeH264(0, [](int) { return YuvPicture(320, 180, {}); }).empty());
}

TEST(AlawTone, DecodesToA440HertzSine)
{
    const auto& frame = toneFrame();
    ASSERT_EQ(frame.size(), 800u);
    const auto samples = simtest::decodeAlaw(frame);
    ASSERT_EQ(samples.size(), 800u);
    int rising = 0;
    int peak = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        rising += samples[i - 1] < 0 && samples[i] >= 0 ? 1 : 0;
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    // 44 periods in 100 ms; the first starts at sample 0, so 43 more rise
    // within the frame.
    EXPECT_EQ(rising, 43);
    EXPECT_NEAR(peak, 8000, 400);
    // Each sample is the sine within A-law's step at that level.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double expected =
            8000 * std::sin(2 * 3.141592653589793 * 440 * static_cast<double>(i) / 8000);
        EXPECT_NEAR(samples[i], expected, std::abs(expected) / 16 + 16) << "sample " << i;
    }
}

TEST(AlawTone, EncodesTheWholeRangeAsLibavcodecDecodesIt)
{
    std::vector<std::uint8_t> bytes;
    std::vector<int> values;
    for (int value = -32768; value <= 32767; value += 97) {
        values.push_back(value);
        bytes.push_back(alawFromLinear(static_cast<std::int16_t>(value)));
    }
    values.push_back(32767);
    bytes.push_back(alawFromLinear(32767));
    const auto decoded = simtest::decodeAlaw(bytes);
    ASSERT_EQ(decoded.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_NEAR(decoded[i], values[i], std::abs(values[i]) / 16 + 16) << values[i];
        EXPECT_EQ(decoded[i] < 0, values[i] < 0) << values[i];
    }
}
