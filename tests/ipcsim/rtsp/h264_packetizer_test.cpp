#include "rtp_reader.h"

#include "ipcsim/rtsp/annex_b.h"
#include "ipcsim/rtsp/h264_packetizer.h"
#include "ipcsim/rtsp/interleaved_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace vexlo::ipcsim::rtsp;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes nal(std::uint8_t header, std::size_t size, std::uint8_t fill = 0x5a)
{
    Bytes unit(size, fill);
    unit[0] = header;
    return unit;
}

// An access unit as the encoder writes it: four-byte start codes.
Bytes annexB(const std::vector<Bytes>& units)
{
    Bytes out;
    for (const auto& unit : units) {
        out.insert(out.end(), {0, 0, 0, 1});
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

std::vector<Bytes> payloadBytes(const std::vector<RtpPayload>& payloads)
{
    std::vector<Bytes> out;
    for (const auto& payload : payloads) {
        out.push_back(payload.bytes);
    }
    return out;
}

} // namespace

TEST(AnnexBTest, SplitsOnBothStartCodeLengthsAndDropsTrailingZeros)
{
    const Bytes unit = {0xff, 0, 0, 0, 1, 0x67, 1, 2, 3, 0, 0, 1, 0x68, 9, 0, 0, 0, 0, 1, 0x65, 7};
    const auto units = splitNalUnits(unit);
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(Bytes(units[0].begin(), units[0].end()), (Bytes{0x67, 1, 2, 3}));
    EXPECT_EQ(Bytes(units[1].begin(), units[1].end()), (Bytes{0x68, 9}));
    EXPECT_EQ(Bytes(units[2].begin(), units[2].end()), (Bytes{0x65, 7}));
    EXPECT_TRUE(splitNalUnits(Bytes{1, 2, 3}).empty());
    EXPECT_TRUE(splitNalUnits(Bytes{0, 0, 1}).empty());
}

TEST(AnnexBTest, FindsParameterSetsOnlyWhenBothAreThere)
{
    const Bytes sps = {0x67, 0x42, 0xc0, 0x1e, 0x11};
    const Bytes pps = {0x68, 0xce, 0x3c, 0x80};
    const auto sets = findParameterSets(annexB({sps, pps, nal(0x65, 50)}));
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->sps, sps);
    EXPECT_EQ(sets->pps, pps);
    EXPECT_FALSE(findParameterSets(annexB({sps, nal(0x65, 50)})));
    EXPECT_FALSE(findParameterSets(annexB({{0x67, 0x42}, pps})));
}

TEST(H264PacketizerTest, SmallUnitsTravelWholeAndOnlyTheLastCarriesTheMarker)
{
    const Bytes sps = nal(0x67, 12);
    const Bytes pps = nal(0x68, 4);
    const Bytes slice = nal(0x65, 1400);
    const auto payloads = packetizeH264(annexB({{0x09, 0xf0}, sps, pps, slice}), 1400);
    ASSERT_EQ(payloads.size(), 3u); // the access unit delimiter is left out
    EXPECT_EQ(payloads[0].bytes, sps);
    EXPECT_EQ(payloads[1].bytes, pps);
    EXPECT_EQ(payloads[2].bytes, slice);
    EXPECT_FALSE(payloads[0].marker);
    EXPECT_FALSE(payloads[1].marker);
    EXPECT_TRUE(payloads[2].marker);
}

TEST(H264PacketizerTest, LargeUnitsAreFragmentedAndReassembleExactly)
{
    Bytes slice = nal(0x65, 5000);
    for (std::size_t i = 1; i < slice.size(); ++i) {
        slice[i] = static_cast<std::uint8_t>(i * 7 + 3); // no start codes inside
        if (slice[i] == 0) {
            slice[i] = 1;
        }
    }
    const Bytes sps = nal(0x67, 12);
    const Bytes input = annexB({sps, slice, nal(0x41, 1401)});
    const auto payloads = packetizeH264(input, 1400);

    // 1 whole SPS, 4 fragments of 1398 bytes for 4999, 2 fragments for 1400.
    ASSERT_EQ(payloads.size(), 1u + 4u + 2u);
    for (std::size_t i = 1; i < payloads.size(); ++i) {
        const auto& bytes = payloads[i].bytes;
        ASSERT_LE(bytes.size(), 1400u);
        EXPECT_EQ(bytes[0] & 0x1f, kNalFuA);
        EXPECT_EQ(bytes[0] & 0xe0, i <= 4 ? 0x60 : 0x40) << "NRI of the fragmented unit";
    }
    EXPECT_EQ(payloads[1].bytes[1], 0x80 | 5); // start, IDR
    EXPECT_EQ(payloads[2].bytes[1], 5);
    EXPECT_EQ(payloads[4].bytes[1], 0x40 | 5); // end
    EXPECT_EQ(payloads[5].bytes[1], 0x80 | 1);
    EXPECT_EQ(payloads[6].bytes[1], 0x40 | 1);
    EXPECT_EQ(std::count_if(payloads.begin(), payloads.end(),
                            [](const RtpPayload& p) { return p.marker; }),
              1);
    EXPECT_TRUE(payloads.back().marker);
    EXPECT_EQ(rtsptest::depacketizeH264(payloadBytes(payloads)), input);
}

TEST(H264PacketizerTest, EveryPayloadSizeRoundTrips)
{
    const Bytes input = annexB({nal(0x67, 9), nal(0x68, 3), nal(0x65, 700, 0x33), nal(0x06, 2)});
    for (std::size_t max = 3; max <= 710; max += 17) {
        const auto payloads = packetizeH264(input, max);
        for (const auto& payload : payloads) {
            ASSERT_LE(payload.bytes.size(), max);
        }
        ASSERT_EQ(rtsptest::depacketizeH264(payloadBytes(payloads)), input) << "max " << max;
    }
    EXPECT_THROW(packetizeH264(input, 2), std::invalid_argument);
    EXPECT_TRUE(packetizeH264(Bytes{}, 1400).empty());
}

TEST(InterleavedWriterTest, FramesRtpPacketsWithTheirChannelAndLength)
{
    InterleavedTrack track(2, kPayloadTypePcma, 0x01020304, 0xffff);
    Bytes out;
    track.append(out, Bytes(800, 0xd5), 0xa0b0c0d0, true);
    track.append(out, Bytes{1, 2}, 0xa0b0c0d0 + 800, false);

    ASSERT_EQ(out.size(), 4u + 12u + 800u + 4u + 12u + 2u);
    EXPECT_EQ(out[0], '$');
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ((out[2] << 8) | out[3], 812);
    const auto first = rtsptest::parseRtp(std::span(out).subspan(4, 812));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->header.marker);
    EXPECT_EQ(first->header.payloadType, kPayloadTypePcma);
    EXPECT_EQ(first->header.sequence, 0xffff);
    EXPECT_EQ(first->header.timestamp, 0xa0b0c0d0u);
    EXPECT_EQ(first->header.ssrc, 0x01020304u);

    const auto second = rtsptest::parseRtp(std::span(out).subspan(4 + 812 + 4));
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->header.marker);
    EXPECT_EQ(second->header.sequence, 0) << "sequence numbers wrap";
    EXPECT_EQ(second->payload, (Bytes{1, 2}));

    Bytes tooLarge;
    EXPECT_THROW(appendInterleaved(tooLarge, 0, RtpHeader{}, Bytes(0xffff - 11)),
                 std::length_error);
}
