#include "samples.h"

#include "protocol/search_datagrams.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace vexlo::protocol;

namespace {

using Bytes = std::vector<std::uint8_t>;

SearchRecord sampleRecord()
{
    return SearchRecord{"SN20260001", "IPC", "00:11:22:33:44:55", "127.0.1.5", "255.0.0.0",
                        "127.0.0.1",  8000,  0x01020304};
}

TEST(SearchDatagrams, ProbeHasTheDocumentedBytes)
{
    EXPECT_EQ(SearchProbe{0x0A0B0C0D}.encode(),
              (Bytes{0x56, 0x58, 0x4C, 0x44, 0x01, 0x01, 0x00, 0x00, 0x0A, 0x0B, 0x0C, 0x0D}));
}

TEST(SearchDatagrams, EveryDatagramSurvivesARoundTrip)
{
    for (const Datagram& sample : samples::everyDatagram()) {
        const Bytes bytes = samples::encodeDatagram(sample);
        EXPECT_LE(bytes.size(), kMaxDatagramSize);
        EXPECT_EQ(decodeDatagram(bytes), sample) << "type " << int(bytes[5]);
    }
}

TEST(SearchDatagrams, LongestFieldsStillFitOneDatagram)
{
    SearchRecord record;
    record.serialNo = std::string(100, 's');
    record.deviceType = std::string(100, 't');
    record.macAddress = std::string(100, 'm');
    record.ipAddress = record.netmask = record.gateway = std::string(100, '1');
    const Bytes bytes = SearchReply{1, record}.encode();
    EXPECT_LE(bytes.size(), kMaxDatagramSize);
    const auto reply = SearchReply::decode(bytes);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->record.serialNo.size(), kMaxSerialSize);
    EXPECT_EQ(reply->record.gateway.size(), kMaxAddressSize);
}

TEST(SearchDatagrams, MalformedDatagramsAreRefused)
{
    const Bytes good = SearchReply{7, sampleRecord()}.encode();
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(decodeDatagram(std::span(good).first(size)).has_value()) << size;

    Bytes padded = good;
    padded.push_back(0);
    EXPECT_FALSE(decodeDatagram(padded).has_value());

    Bytes magic = good;
    magic[3] = 'S'; // a session frame's magic
    EXPECT_FALSE(decodeDatagram(magic).has_value());

    Bytes version = good;
    version[4] = 2;
    EXPECT_FALSE(decodeDatagram(version).has_value());

    Bytes type = good;
    type[5] = 0x05;
    EXPECT_FALSE(decodeDatagram(type).has_value());

    // The reply's type byte on a probe body: the lengths do not fit.
    Bytes wrongBody = SearchProbe{1}.encode();
    wrongBody[5] = static_cast<std::uint8_t>(DatagramType::SearchReply);
    EXPECT_FALSE(decodeDatagram(wrongBody).has_value());

    Bytes oversize(kMaxDatagramSize + 1, 0);
    std::memcpy(oversize.data(), good.data(), good.size());
    EXPECT_FALSE(decodeDatagram(oversize).has_value());
}

TEST(SearchDatagrams, ReservedHeaderBytesAreIgnored)
{
    Bytes bytes = SearchProbe{5}.encode();
    bytes[6] = 0xFF;
    bytes[7] = 0x01;
    EXPECT_EQ(decodeDatagram(bytes), Datagram{SearchProbe{5}});
}

TEST(SearchDatagrams, TextWithANulIsRefused)
{
    SearchRecord record = sampleRecord();
    record.serialNo = std::string("SN\0X", 4);
    EXPECT_FALSE(SearchReply::decode(SearchReply{1, record}.encode()).has_value());
    EXPECT_FALSE(
        ModifyIp::decode(ModifyIp{1, "SN", "mac", std::string("1\0", 2), "m", "g"}.encode())
            .has_value());
    EXPECT_FALSE(ModifyIpReply::decode(
                     ModifyIpReply{1, ModifyIpStatus::Accepted, std::string("\0", 1)}.encode())
                     .has_value());
}

TEST(SearchDatagrams, UnknownModifyStatusIsRefused)
{
    Bytes bytes = ModifyIpReply{1, ModifyIpStatus::Accepted, "SN"}.encode();
    bytes[12] = 3;
    EXPECT_FALSE(decodeDatagram(bytes).has_value());
}

TEST(SearchRecord, FillsTheSearchFieldsOfTheBlockAndLeavesTheRest)
{
    _IPCINFO info;
    std::memset(&info, 0xAB, sizeof info);
    SearchRecord record = sampleRecord();
    record.serialNo = std::string(40, 'S'); // longer than the 32-byte field
    record.toIpcInfo(info);

    EXPECT_EQ(std::string(info.serialNo), std::string(31, 'S'));
    EXPECT_EQ(info.serialNo[31], '\0');
    EXPECT_STREQ(info.deviceType, "IPC");
    EXPECT_STREQ(info.macAddress, "00:11:22:33:44:55");
    EXPECT_STREQ(info.ipAddress, "127.0.1.5");
    EXPECT_STREQ(info.netmask, "255.0.0.0");
    EXPECT_STREQ(info.gateway, "127.0.0.1");
    EXPECT_EQ(info.port, 8000);
    EXPECT_EQ(info.playParam, 0x01020304);
    // Credentials and reserved bytes are not the search record's business.
    EXPECT_EQ(static_cast<std::uint8_t>(info.userName[0]), 0xAB);
    EXPECT_EQ(static_cast<std::uint8_t>(info.password[63]), 0xAB);
    EXPECT_EQ(info.reserved1[0], 0xAB);
    EXPECT_EQ(info.reserved4[511], 0xAB);
}

TEST(SearchRecord, ReadsBackAndStopsAtAFieldWithoutItsNul)
{
    _IPCINFO info{};
    sampleRecord().toIpcInfo(info);
    EXPECT_EQ(SearchRecord::fromIpcInfo(info), sampleRecord());

    std::memset(info.serialNo, 'Z', sizeof info.serialNo); // no terminator at all
    EXPECT_EQ(SearchRecord::fromIpcInfo(info).serialNo, std::string(32, 'Z'));
}

} // namespace
