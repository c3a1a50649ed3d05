// The --scan range text: both forms, several ranges, and every refusal says
// what is wrong in words an installer can act on.
#include "platform/address_ranges.h"

#include <gtest/gtest.h>

namespace vexlo {
namespace {

std::vector<std::string> addressesOf(const std::string& text)
{
    const AddressRangeList list = parseAddressRanges(text);
    EXPECT_TRUE(list.ok()) << list.error;
    std::vector<std::string> dotted;
    for (const std::uint32_t address : ScanTargets(list.ranges).addresses())
        dotted.push_back(formatIpv4Address(address));
    return dotted;
}

TEST(AddressRanges, FirstLastAndBlocksSeveralSeparatedByCommas)
{
    EXPECT_EQ(addressesOf("10.1.2.254-10.1.3.1"),
              (std::vector<std::string>{"10.1.2.254", "10.1.2.255", "10.1.3.0", "10.1.3.1"}));
    EXPECT_EQ(addressesOf("192.168.7.9"), (std::vector<std::string>{"192.168.7.9"}));
    // A block leaves out its network and broadcast addresses; a /31 and /32 have none.
    EXPECT_EQ(addressesOf("10.0.0.5/30"), (std::vector<std::string>{"10.0.0.5", "10.0.0.6"}));
    EXPECT_EQ(addressesOf("10.0.0.8/31, 127.0.0.9/32"),
              (std::vector<std::string>{"10.0.0.8", "10.0.0.9", "127.0.0.9"}));
    // Overlaps are probed once; spaces around the parts are allowed.
    EXPECT_EQ(addressesOf(" 10.0.0.1-10.0.0.2 ,10.0.0.2 - 10.0.0.3"),
              (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(addressesOf("10.0.0.0/22").size(), 1022u);
    EXPECT_TRUE(addressesOf("").empty());
}

TEST(AddressRanges, ErrorsSayWhatIsWrong)
{
    const std::pair<const char*, const char*> cases[] = {
        {"10.1.2.300", "10.1.2.300 is not an IPv4 address"},
        {"10.1.2.1-10.1.2", "10.1.2 is not an IPv4 address"},
        {"camera.local", "camera.local is not an IPv4 address"},
        {"10.1.2.9-10.1.2.1", "the range 10.1.2.9-10.1.2.1 ends before it starts"},
        {"10.1.2.0/33", "in 10.1.2.0/33, /33 is not a prefix length (0 to 32)"},
        {"10.1.2.0/", "in 10.1.2.0/, / is not a prefix length (0 to 32)"},
        {"10.1.2.1,,10.1.2.3", "an empty range between commas"},
        {"10.0.0.0/16", "a scan holds at most 4096 addresses; 10.0.0.0/16 has 65536"},
        {"0.0.0.0/0", "a scan holds at most 4096 addresses; 0.0.0.0/0 has 4294967296"},
        {"10.0.0.0/20,10.0.16.1",
         "a scan holds at most 4096 addresses; the ranges together have 4097"},
    };
    for (const auto& [text, error] : cases) {
        const AddressRangeList list = parseAddressRanges(text);
        EXPECT_EQ(list.error, error) << text;
        EXPECT_TRUE(list.ranges.empty()) << text;
    }
    // Exactly the bound is allowed.
    EXPECT_TRUE(parseAddressRanges("10.0.0.0-10.0.15.255").ok());
}

} // namespace
} // namespace vexlo
