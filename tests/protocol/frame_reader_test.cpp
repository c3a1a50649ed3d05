#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace vexlo::protocol;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The example frame of docs/protocol.md: the version query 1012 with the text
// "RESPONSE_PARAM", sent as the client's seventh frame.
// clang-format off
const Bytes kVersionQueryFrame = {
    0x56, 0x58, 0x4C, 0x53, 0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x00, 0x00, 0x00, 0x07,
    0x00, 0x00, 0x03, 0xF4,
    0x01,
    0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x0E,
    'R', 'E', 'S', 'P', 'O', 'N', 'S', 'E', '_', 'P', 'A', 'R', 'A', 'M'};
// clang-format on

Command versionQuery()
{
    return Command{1012, CallKind::SystemControl, 0, "RESPONSE_PARAM"};
}

Bytes headerBytes(std::uint8_t version, std::uint8_t type, std::uint32_t bodyLength)
{
    const auto header = encodeFrameHeader(FrameHeader{version, type, 0, bodyLength, 1});
    return Bytes(header.begin(), header.end());
}

std::vector<Frame> drain(FrameReader& reader)
{
    std::vector<Frame> frames;
    while (auto frame = reader.next())
        frames.push_back(std::move(*frame));
    return frames;
}

TEST(FrameEncoding, MatchesTheDocumentedExampleByteForByte)
{
    EXPECT_EQ(versionQuery().encode(7), kVersionQueryFrame);
}

TEST(FrameEncoding, HeaderFieldsDecodeFromTheExample)
{
    FrameHeader header;
    ASSERT_EQ(decodeFrameHeader(kVersionQueryFrame, header), FrameError::None);
    EXPECT_EQ(header, (FrameHeader{1, 0x10, 0, 27, 7}));
}

TEST(FrameReader, ReassemblesFramesSplitAtEveryByteBoundary)
{
    Bytes stream = kVersionQueryFrame;
    const Bytes ping = Ping{0xA1B2C3D4}.encode(8);
    stream.insert(stream.end(), ping.begin(), ping.end());

    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        FrameReader reader;
        reader.feed(std::span(stream).first(cut));
        reader.feed(std::span(stream).subspan(cut));
        const auto frames = drain(reader);
        ASSERT_EQ(frames.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(decodeMessage(frames[0]), Message{versionQuery()}) << "cut at " << cut;
        EXPECT_EQ(decodeMessage(frames[1]), Message{Ping{0xA1B2C3D4}}) << "cut at " << cut;
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(reader.pendingBytes(), 0u);
    }
}

TEST(FrameReader, AcceptsOneByteAtATime)
{
    FrameReader reader;
    for (std::size_t i = 0; i < kVersionQueryFrame.size(); ++i) {
        EXPECT_FALSE(reader.next().has_value()) << "frame out before its last byte, at " << i;
        reader.feed(std::span(kVersionQueryFrame).subspan(i, 1));
    }
    const auto frame = reader.next();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->header.sequence, 7u);
    EXPECT_EQ(frame->body, Bytes(kVersionQueryFrame.begin() + 16, kVersionQueryFrame.end()));
}

TEST(FrameReader, BadMagicIsStickyAndLaterBytesAreIgnored)
{
    Bytes bad = kVersionQueryFrame;
    bad[3] = 'D'; // a search datagram's magic
    FrameReader reader;
    reader.feed(bad);
    EXPECT_EQ(reader.error(), FrameError::BadMagic);
    reader.feed(kVersionQueryFrame);
    EXPECT_EQ(reader.error(), FrameError::BadMagic);
    EXPECT_FALSE(reader.next().has_value());
}

TEST(FrameReader, FramesBeforeAnErrorAreStillHandedOut)
{
    Bytes stream = kVersionQueryFrame;
    const Bytes wrongVersion = headerBytes(2, 0x40, 4);
    stream.insert(stream.end(), wrongVersion.begin(), wrongVersion.end());
    FrameReader reader;
    reader.feed(stream);
    EXPECT_EQ(reader.error(), FrameError::BadVersion);
    EXPECT_EQ(drain(reader).size(), 1u);
}

TEST(FrameReader, OversizeBodyIsRefusedOnTheHeaderAlone)
{
    // A 4 GiB announcement must fail at the header, before any body is held.
    FrameReader reader;
    reader.feed(headerBytes(1, 0x32, 0xFFFFFFFFu));
    EXPECT_EQ(reader.error(), FrameError::Oversize);
    EXPECT_EQ(reader.pendingBytes(), kFrameHeaderSize);

    // Each type has its own limit: a Ping body is four bytes, never five.
    FrameReader ping;
    ping.feed(headerBytes(1, static_cast<std::uint8_t>(MessageType::Ping), 5));
    EXPECT_EQ(ping.error(), FrameError::Oversize);

    FrameReader unknown;
    unknown.feed(headerBytes(1, 0xEE, kMaxUnknownBodySize + 1));
    EXPECT_EQ(unknown.error(), FrameError::Oversize);
}

TEST(FrameReader, LargestBodiesOfEachKindPass)
{
    FrameReader reader;
    UploadData chunk{0, Bytes(kMaxChunkSize, 0x5A)};
    reader.feed(chunk.encode(1));
    VideoFrame video{1, 0, 0.0, Bytes(kMaxVideoDataSize, 0x11)};
    reader.feed(video.encode(2));
    EXPECT_FALSE(reader.failed());
    const auto frames = drain(reader);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].body.size(), 4 + kMaxChunkSize);
    EXPECT_EQ(frames[1].body.size(), kMaxBodySize);
}

TEST(FrameReader, UnknownTypeIsFramedSoItCanBeSkipped)
{
    Bytes stream = headerBytes(1, 0x7F, 3);
    stream.insert(stream.end(), {1, 2, 3});
    const Bytes pong = Pong{9}.encode(2);
    stream.insert(stream.end(), pong.begin(), pong.end());

    FrameReader reader;
    reader.feed(stream);
    const auto frames = drain(reader);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(isKnownMessageType(frames[0].header.type));
    EXPECT_FALSE(decodeMessage(frames[0]).has_value());
    EXPECT_EQ(decodeMessage(frames[1]), Message{Pong{9}});
}

TEST(FrameReader, HeaderWithEmptyBodyCompletesAtOnce)
{
    FrameReader reader;
    reader.feed(headerBytes(1, 0x7E, 0));
    const auto frame = reader.next();
    ASSERT_TRUE(frame.has_value());
    EXPECT_TRUE(frame->body.empty());
}

TEST(FrameHeader, ShortInputIsTruncatedNotRead)
{
    FrameHeader header;
    EXPECT_EQ(decodeFrameHeader(std::span(kVersionQueryFrame).first(15), header),
              FrameError::Truncated);
}

} // namespace
