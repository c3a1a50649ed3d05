#include "platform/host_address.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vexlo {
namespace {

// Sets VEXLO_HOST_ADDRESS for one test and puts the old value back after it.
class HostAddressOverride : public ::testing::Test
{
protected:
    HostAddressOverride()
    {
        if (const char* value = std::getenv("VEXLO_HOST_ADDRESS")) {
            m_saved = value;
        }
    }
    ~HostAddressOverride() override
    {
        if (m_saved) {
            setenv("VEXLO_HOST_ADDRESS", m_saved->c_str(), 1);
        } else {
            unsetenv("VEXLO_HOST_ADDRESS");
        }
    }

private:
    std::optional<std::string> m_saved;
};

TEST_F(HostAddressOverride, ADottedAddressIsUsedAsGiven)
{
    setenv("VEXLO_HOST_ADDRESS", "127.0.0.5", 1);
    EXPECT_EQ(hostIPv4Address(), "127.0.0.5");
    setenv("VEXLO_HOST_ADDRESS", "127.31.200.9", 1);
    EXPECT_EQ(hostIPv4Address(), "127.31.200.9");
}

TEST_F(HostAddressOverride, AnOverrideThatIsNoAddressGivesNothing)
{
    // Falling back to the host name here could hand a real interface to a test.
    for (const char* bad : {"localhost", "127.1", "127.0.0.256", "127.0.0.1 ", "::1"}) {
        setenv("VEXLO_HOST_ADDRESS", bad, 1);
        EXPECT_FALSE(hostIPv4Address()) << bad;
    }
}

} // namespace
} // namespace vexlo
