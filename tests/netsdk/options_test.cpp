#include "netsdk/options.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vexlo::netsdk {
namespace {

TEST(NetSdkOptions, DefaultsAreLoopbackAdminAndTheDefaultPort)
{
    const NetSdkOptions options;
    EXPECT_TRUE(options.loopbackOnly);
    EXPECT_EQ(options.searchAddress, "127.0.0.1");
    EXPECT_EQ(options.searchPort, protocol::kDefaultSearchPort);
    EXPECT_EQ(options.userName, "admin");
    EXPECT_EQ(options.password, "");
}

TEST(NetSdkOptions, CommandLineTakesOnlyItsOwnOptions)
{
    const char* argv[] = {"vexlo-cli", "--expect", "24", "--search-port", "40001", "--lan", "eth1"};
    const int argc = 7;
    NetSdkOptions options;
    std::string error;
    int index = 1;
    EXPECT_EQ(takeNetSdkOption(options, argc, argv, index, error), OptionMatch::NotMine);
    EXPECT_EQ(index, 1);
    index = 3;
    EXPECT_EQ(takeNetSdkOption(options, argc, argv, index, error), OptionMatch::Taken);
    EXPECT_EQ(index, 4); // on the value; the caller's loop steps past it
    EXPECT_EQ(options.searchPort, 40001);
    index = 5;
    EXPECT_EQ(takeNetSdkOption(options, argc, argv, index, error), OptionMatch::Taken);
    EXPECT_FALSE(options.loopbackOnly);
    EXPECT_EQ(options.lanInterface, "eth1");
}

TEST(NetSdkOptions, BadValuesAreReportedAndChangeNothing)
{
    NetSdkOptions options;
    std::string error;
    for (const char* value : {"0", "65536", "12a", "", "-5", "99999999999"}) {
        const char* argv[] = {"x", "--search-port", value};
        int index = 1;
        EXPECT_EQ(takeNetSdkOption(options, 3, argv, index, error), OptionMatch::Bad) << value;
    }
    const char* missing[] = {"x", "--lan"};
    int index = 1;
    EXPECT_EQ(takeNetSdkOption(options, 2, missing, index, error), OptionMatch::Bad);
    const char* longName[] = {"x", "--lan", "an-interface-name-too-long"};
    EXPECT_EQ(takeNetSdkOption(options, 3, longName, index, error), OptionMatch::Bad);
    EXPECT_TRUE(options.loopbackOnly);
    EXPECT_EQ(options.searchPort, protocol::kDefaultSearchPort);
}

TEST(NetSdkOptions, EnvironmentSetsTheSearchPort)
{
    NetSdkOptions options;
    std::string error;
    ::setenv("VEXLO_SEARCH_PORT", "41234", 1);
    EXPECT_TRUE(applyNetSdkEnvironment(options, error));
    EXPECT_EQ(options.searchPort, 41234);
    ::setenv("VEXLO_SEARCH_PORT", "port", 1);
    EXPECT_FALSE(applyNetSdkEnvironment(options, error));
    EXPECT_EQ(options.searchPort, 41234);
    ::unsetenv("VEXLO_SEARCH_PORT");
    EXPECT_TRUE(applyNetSdkEnvironment(options, error));
}

} // namespace
} // namespace vexlo::netsdk
