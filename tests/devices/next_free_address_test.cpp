#include "devices/next_free_address.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// These addresses are only compared as text; nothing is sent to them.
namespace {

using vexlo::AddressPlan;

// Hands out addresses to `devices` in order, as the modify-IP loop does: each
// device's own address counts as in use until it has been given a new one.
std::vector<std::optional<std::string>> handOut(const AddressPlan& plan,
                                                std::vector<std::string> devices)
{
    std::vector<std::optional<std::string>> given;
    for (std::string& device : devices) {
        auto inUse = [&devices](std::string_view candidate) {
            return std::find(devices.begin(), devices.end(), candidate) != devices.end();
        };
        std::optional<std::string> next = vexlo::nextFreeAddress(plan, inUse);
        given.push_back(next);
        if (!next)
            break;
        device = *next;
    }
    return given;
}

AddressPlan pcAt(std::string pc)
{
    AddressPlan plan;
    plan.pcAddress = std::move(pc);
    return plan;
}

AddressPlan startingAt(std::string pc, std::string start)
{
    AddressPlan plan = pcAt(std::move(pc));
    plan.useStartAddress = true;
    plan.startAddress = std::move(start);
    return plan;
}

} // namespace

TEST(NextFreeAddress, AFreedAddressIsHandedOutAgain)
{
    // .3 is still the first device's own address when it is handled; once it
    // has moved to .4, the second device gets the freed .3.
    const auto given = handOut(pcAt("192.168.1.100"), {"192.168.1.3", "192.168.1.20"});
    ASSERT_EQ(given.size(), 2u);
    EXPECT_EQ(given[0], "192.168.1.4");
    EXPECT_EQ(given[1], "192.168.1.3");
}

TEST(NextFreeAddress, SkipsThePcsOwnNumber)
{
    const auto given = handOut(pcAt("192.168.1.4"), {"10.1.1.1", "10.1.1.2"});
    EXPECT_EQ(given[0], "192.168.1.3");
    EXPECT_EQ(given[1], "192.168.1.5");
}

TEST(NextFreeAddress, StartAddressRunsToTheEndOfItsRange)
{
    std::vector<std::string> seven;
    for (int i = 0; i < 7; ++i)
        seven.push_back("192.168.1." + std::to_string(30 + i));
    const auto given = handOut(startingAt("192.168.1.100", "10.0.0.250"), seven);
    ASSERT_EQ(given.size(), 7u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(given[i], "10.0.0." + std::to_string(250 + i));
    EXPECT_EQ(given[6], std::nullopt); // the seventh device keeps its address
}

TEST(NextFreeAddress, StartNumberAbove255GivesNothing)
{
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.100", "10.0.0.256"), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.100", "10.0.0.255"), {}), "10.0.0.255");
}

TEST(NextFreeAddress, OwnNumberAtTheEndOfTheRange)
{
    // The PC's own number is skipped even in the start address's subnet, and
    // skipping past 255 leaves nothing.
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.255", "10.0.0.255"), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.254", "10.0.0.254"), {}), "10.0.0.255");
}

TEST(NextFreeAddress, EverythingInUse)
{
    auto all = [](std::string_view) { return true; };
    EXPECT_EQ(vexlo::nextFreeAddress(pcAt("192.168.1.100"), all), std::nullopt);
}

TEST(NextFreeAddress, MalformedAddressesGiveNothing)
{
    EXPECT_EQ(vexlo::nextFreeAddress(pcAt(""), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(pcAt("localhost"), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(pcAt("192.168.1."), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.100", ""), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.100", "10.0.0.-5"), {}), std::nullopt);
    EXPECT_EQ(vexlo::nextFreeAddress(startingAt("192.168.1.100", "10.0.0.99999999999"), {}),
              std::nullopt);
}

TEST(NextFreeAddress, Prefix)
{
    EXPECT_EQ(vexlo::addressPrefix("192.168.1.100"), "192.168.1.");
    EXPECT_EQ(vexlo::addressPrefix("none"), "");
}
