#include "protocol/byte_reader.h"
#include "protocol/byte_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace vexlo::protocol;

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteWriter, WritesIntegersBigEndian)
{
    ByteWriter writer;
    writer.u8(0x01);
    writer.u16(0x0203);
    writer.u32(0x04050607);
    writer.u64(0x08090A0B0C0D0E0Full);
    writer.i32(-2);
    EXPECT_EQ(writer.bytes(), (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A,
                                     0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0xFF, 0xFF, 0xFF, 0xFE}));
}

TEST(ByteWriter, WritesDoubleAsBigEndianBinary64)
{
    ByteWriter writer;
    writer.f64(1.5); // 0x3FF8000000000000
    EXPECT_EQ(writer.bytes(), (Bytes{0x3F, 0xF8, 0, 0, 0, 0, 0, 0}));
}

TEST(ByteReader, ReadPastTheEndFailsAndStaysFailed)
{
    const Bytes bytes{1, 2, 3};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u16(), 0x0102);
    EXPECT_EQ(reader.u16(), 0); // only one byte left
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.u8(), 0); // the byte that was there is not handed out any more
    EXPECT_EQ(reader.remaining(), 0u);
    EXPECT_FALSE(reader.finished());
}

TEST(ByteReader, LengthAboveLimitOrBeyondBufferFails)
{
    const Bytes tooLong{0, 5, 'a', 'b', 'c', 'd', 'e'};
    ByteReader limited(tooLong);
    EXPECT_EQ(limited.string16(4), "");
    EXPECT_FALSE(limited.ok());

    // A length prefix that promises more than the buffer holds must not be believed.
    const Bytes lying{0xFF, 0xFF, 0xFF, 0xFF, 'a'};
    ByteReader reader(lying);
    EXPECT_EQ(reader.text32(0xFFFFFFFFu), "");
    EXPECT_FALSE(reader.ok());
}

TEST(ByteReader, RestHonoursItsBounds)
{
    const Bytes bytes{1, 2, 3, 4};
    ByteReader exact(bytes);
    EXPECT_EQ(exact.rest(1, 4), bytes);
    EXPECT_TRUE(exact.finished());

    ByteReader tooMuch(bytes);
    EXPECT_TRUE(tooMuch.rest(1, 3).empty());
    EXPECT_FALSE(tooMuch.ok());

    ByteReader tooLittle(std::span<const std::uint8_t>{});
    EXPECT_TRUE(tooLittle.rest(1, 3).empty());
    EXPECT_FALSE(tooLittle.ok());
}

} // namespace
