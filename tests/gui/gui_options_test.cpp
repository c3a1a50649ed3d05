#include "gui/gui_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace vexlo {
namespace {

bool parse(std::vector<const char*> arguments, GuiOptions& options, std::string& error)
{
    arguments.insert(arguments.begin(), "vexlo");
    return parseGuiOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

class GuiOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override { ::unsetenv("VEXLO_SEARCH_PORT"); }
    void TearDown() override { ::unsetenv("VEXLO_SEARCH_PORT"); }

    GuiOptions options;
    std::string error;
};

TEST_F(GuiOptionsTest, DefaultsAreLoopbackChineseAndTheProgramsFolder)
{
    ASSERT_TRUE(parse({}, options, error)) << error;
    EXPECT_TRUE(options.netsdk.loopbackOnly);
    EXPECT_TRUE(options.configDirectory.empty());
    EXPECT_FALSE(options.english);
}

TEST_F(GuiOptionsTest, TakesTheDeviceLibraryOptionsConfigAndLanguage)
{
    ::setenv("VEXLO_SEARCH_PORT", "40001", 1);
    ASSERT_TRUE(parse({"--config", "/tmp/site a", "--lang", "en"}, options, error)) << error;
    EXPECT_EQ(options.netsdk.searchPort, 40001);
    EXPECT_EQ(options.configDirectory, "/tmp/site a");
    EXPECT_TRUE(options.english);

    GuiOptions later;
    ASSERT_TRUE(parse({"--search-port", "40002"}, later, error)) << error;
    EXPECT_EQ(later.netsdk.searchPort, 40002) << "the command line overrides the environment";
}

TEST_F(GuiOptionsTest, RefusesBadOrUnknownOptionsWithAReason)
{
    const std::vector<std::vector<const char*>> bad = {{"--config"},
                                                       {"--config", ""},
                                                       {"--lang"},
                                                       {"--lang", "fr"},
                                                       {"--search-port", "70000"},
                                                       {"--search-port"},
                                                       {"--frobnicate"},
                                                       {"192.168.1.1"}};
    for (const auto& arguments : bad) {
        GuiOptions fresh;
        error.clear();
        EXPECT_FALSE(parse(arguments, fresh, error)) << arguments.front();
        EXPECT_FALSE(error.empty()) << arguments.front();
    }
    ::setenv("VEXLO_SEARCH_PORT", "not a port", 1);
    EXPECT_FALSE(parse({}, options, error));
}

} // namespace
} // namespace vexlo
