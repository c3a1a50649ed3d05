#include "samples.h"

#include "protocol/command_codes.h"
#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/wire.h"
#include "sdk/netsdk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace vexlo::protocol;
using vexlo::protocol::samples::everyMessage;
using vexlo::protocol::samples::samplePlayHeader;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Types whose last field runs to the end of the body, so a shorter or longer
// body is still a valid (different) message.
bool endsInOpenData(MessageType type)
{
    return type == MessageType::UploadData || type == MessageType::VideoFrame ||
           type == MessageType::AudioFrame;
}

Bytes bodyOf(const Bytes& frame)
{
    return Bytes(frame.begin() + kFrameHeaderSize, frame.end());
}

TEST(Messages, EveryTypeSurvivesARoundTripThroughTheFrameReader)
{
    for (const Message& message : everyMessage()) {
        const MessageType type = typeOf(message);
        FrameReader reader;
        reader.feed(encodeMessage(message, 99));
        const auto frame = reader.next();
        ASSERT_TRUE(frame.has_value()) << messageTypeName(static_cast<std::uint8_t>(type));
        EXPECT_EQ(frame->header.type, static_cast<std::uint8_t>(type));
        EXPECT_EQ(frame->header.sequence, 99u);
        EXPECT_EQ(decodeMessage(*frame), message) << messageTypeName(frame->header.type);
    }
}

TEST(Messages, TruncatedOrPaddedBodiesAreRefused)
{
    for (const Message& message : everyMessage()) {
        const MessageType type = typeOf(message);
        if (endsInOpenData(type))
            continue;
        const auto typeByte = static_cast<std::uint8_t>(type);
        const Bytes body = bodyOf(encodeMessage(message));
        for (std::size_t size = 0; size < body.size(); ++size) {
            EXPECT_FALSE(decodeMessage(typeByte, std::span(body).first(size)).has_value())
                << messageTypeName(typeByte) << " cut to " << size;
        }
        Bytes padded = body;
        padded.push_back(0);
        EXPECT_FALSE(decodeMessage(typeByte, padded).has_value()) << messageTypeName(typeByte);
    }
}

TEST(Messages, OpenDataTypesRefuseACutFixedPart)
{
    const Bytes video = bodyOf(VideoFrame{1, 2, 3.0, {}}.encode());
    ASSERT_EQ(video.size(), 16u);
    for (std::size_t size = 0; size < video.size(); ++size)
        EXPECT_FALSE(VideoFrame::decode(std::span(video).first(size)).has_value()) << size;
    EXPECT_TRUE(VideoFrame::decode(video).has_value()); // an empty frame is allowed

    const Bytes audio = bodyOf(AudioFrame{1, 3.0, {}}.encode());
    ASSERT_EQ(audio.size(), 12u);
    EXPECT_FALSE(AudioFrame::decode(std::span(audio).first(11)).has_value());

    // A firmware chunk carries at least one byte.
    EXPECT_FALSE(UploadData::decode(Bytes{0, 0, 0, 0}).has_value());
}

TEST(Messages, OutOfRangeValuesAreRefused)
{
    EXPECT_FALSE(LoginResult::decode(Bytes{4}).has_value());
    EXPECT_FALSE(Close::decode(Bytes{6}).has_value());
    EXPECT_FALSE(UploadResult::decode(Bytes{6, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(PlayEnd::decode(Bytes{0, 0, 0, 1, 3}).has_value());
    EXPECT_FALSE(UploadBegin::decode(Bytes{0, 0, 0, 0}).has_value());

    Bytes command = bodyOf(Command{1012, CallKind::SystemControl, 0, "x"}.encode());
    command[4] = 0; // call kind
    EXPECT_FALSE(Command::decode(command).has_value());
    command[4] = 4;
    EXPECT_FALSE(Command::decode(command).has_value());
    command[4] = 3;
    EXPECT_TRUE(Command::decode(command).has_value());
    command[0] = 0x80; // a command is never a refusal
    EXPECT_FALSE(Command::decode(command).has_value());
    command[0] = 0x01; // nor above the 24 bits a refusal can carry back
    EXPECT_FALSE(Command::decode(command).has_value());
    EXPECT_FALSE(Answer::decode(bodyOf(Answer{0x01000000u | 1012, 0, ""}.encode())).has_value());
    EXPECT_TRUE(Answer::decode(bodyOf(Answer{refusalOf(1012), 0, ""}.encode())).has_value());

    // Stream id 0 names no stream.
    EXPECT_FALSE(PlayStop::decode(Bytes{0, 0, 0, 0}).has_value());
    EXPECT_FALSE(PlayStart::decode(bodyOf(PlayStart{0, 1, 1, 1}.encode())).has_value());
    EXPECT_FALSE(VideoFrame::decode(bodyOf(VideoFrame{0, 1, 1.0, {1}}.encode())).has_value());
}

TEST(Messages, HelloVersionsAndUserNameAreChecked)
{
    EXPECT_FALSE(Hello::decode(bodyOf(Hello{2, 1, "admin"}.encode())).has_value());
    EXPECT_FALSE(Hello::decode(bodyOf(Hello{0, 1, "admin"}.encode())).has_value());
    EXPECT_FALSE(
        Hello::decode(bodyOf(Hello{1, 1, std::string("ad\0min", 6)}.encode())).has_value());
    EXPECT_FALSE(Challenge::decode(bodyOf(Challenge{0, {}}.encode())).has_value());

    // A name too long for the login field is cut by the sender, never refused later.
    const auto hello = Hello::decode(bodyOf(Hello{1, 1, std::string(50, 'u')}.encode()));
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ(hello->userName, std::string(kMaxUserNameSize, 'u'));
}

TEST(Messages, OverlongPayloadsAreCutToTheirLimitByTheSender)
{
    const auto answer =
        Answer::decode(bodyOf(Answer{1012, 1, std::string(kMaxTextSize + 10, 'a')}.encode()));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->text.size(), kMaxTextSize);

    const Bytes firmware(kMaxChunkSize + 1, 0x77);
    const Bytes frame = UploadData::encodeChunk(0, firmware);
    FrameReader reader;
    reader.feed(frame);
    ASSERT_FALSE(reader.failed());
    const auto chunk = UploadData::decode(reader.next()->body);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(chunk->data.size(), kMaxChunkSize);
}

TEST(Messages, CommandTextTravelsExactly)
{
    // The set-time request, with its CR LF pairs and the lone LF before "/>".
    const std::string request =
        "<REQUEST_PARAM\r\nTime=\"20260102 03:04:05\"\r\nTimeZone=\"4800\"\n/>";
    const auto command = Command::decode(
        bodyOf(Command{kCodeSetTime, CallKind::SystemControl, 0, request}.encode()));
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->text, request);
}

TEST(PlayHeader, CallbackBlockHasTheLayoutTheReceiversRead)
{
    const PlayHeader header = samplePlayHeader();
    const auto block = header.toCallbackBlock();
    ASSERT_EQ(block.size(), static_cast<std::size_t>(SDK_HEADER_SIZE));

    std::int16_t videoFlag = 0;
    std::int16_t audioFlag = 0;
    std::memcpy(&videoFlag, block.data() + SDK_HEADER_VIDEO_FLAG_OFFSET, 2);
    std::memcpy(&audioFlag, block.data() + SDK_HEADER_AUDIO_FLAG_OFFSET, 2);
    EXPECT_EQ(videoFlag, 1);
    EXPECT_EQ(audioFlag, 0x0102);
    EXPECT_EQ(block[0], 0x40);
    EXPECT_EQ(block[31], 0x40 + 31);
    EXPECT_EQ(block[SDK_HEADER_VIDEO_BLOCK_OFFSET], 0);
    EXPECT_EQ(block[SDK_HEADER_VIDEO_BLOCK_OFFSET + 535], static_cast<std::uint8_t>(535));
    EXPECT_EQ(block[SDK_HEADER_AUDIO_BLOCK_OFFSET], 100);
    EXPECT_EQ(block[SDK_HEADER_SIZE - 1], static_cast<std::uint8_t>(100 + 275));

    EXPECT_EQ(PlayHeader::fromCallbackBlock(3, block), header);
}

TEST(PlayHeader, WireFormIsBigEndianFieldByField)
{
    const Bytes body = bodyOf(samplePlayHeader().encode());
    ASSERT_EQ(body.size(), 852u);
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 8), (Bytes{0, 0, 0, 3, 0, 1, 1, 2}));
    EXPECT_EQ(body[8], 0x40);
    EXPECT_EQ(body[8 + 32], 0);         // video block
    EXPECT_EQ(body[8 + 32 + 536], 100); // audio block
}

} // namespace
