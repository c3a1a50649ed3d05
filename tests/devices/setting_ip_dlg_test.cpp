#include "tests/support/temp_dir.h"

#include "devices/setting_ip_dlg.h"
#include "platform/codepage.h"
#include "profile/config_profile.h"
#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace vexlo {

namespace fs = std::filesystem;

namespace {

class SettingIpDlgTest : public ::testing::Test
{
protected:
    SettingIpDlgTest()
    {
        setenv("VEXLO_HOST_ADDRESS", "127.0.0.1", 1);
        profile = std::make_unique<vexlo::ConfigProfile>();
        vexlo::copyToField(profile->main.startAddress, "10.0.0.5");
        vexlo::copyToField(profile->main.subnetMask, "255.255.255.0");
        vexlo::copyToField(profile->main.gateway, "10.0.0.1");
        profile->main.useStartAddress = 1;
    }
    vexlo::test::TempDir folder{"vexlo-setip"};
    const fs::path directory = folder.path();
    std::unique_ptr<vexlo::ConfigProfile> profile;
};

} // namespace

TEST_F(SettingIpDlgTest, OpensWithTheStoredValues)
{
    CSettingIPDlg dialog(*profile, directory);
    dialog.onInitDialog();
    vexlo::DialogModel& model = dialog.model();
    EXPECT_EQ(CSettingIPDlg::title(), u"set ip");
    EXPECT_TRUE(model.checked(CSettingIPDlg::kUseStartAddressId));
    EXPECT_EQ(model.control(CSettingIPDlg::kUseStartAddressId).text, u"修改IP起始地址");
    EXPECT_EQ(model.text(CSettingIPDlg::kStartAddressId), u"10.0.0.5");
    EXPECT_EQ(model.text(CSettingIPDlg::kSubnetMaskId), u"255.255.255.0");
    EXPECT_EQ(model.text(CSettingIPDlg::kGatewayId), u"10.0.0.1");
    EXPECT_EQ(model.control(CSettingIPDlg::kStartAddressId).kind, vexlo::ControlKind::AddressEdit);
    EXPECT_EQ(model.text(CSettingIPDlg::kSubnetMaskLabelId), u"子网掩码");
    EXPECT_EQ(model.text(CSettingIPDlg::kGatewayLabelId), u"网关");
    EXPECT_EQ(model.text(CSettingIPDlg::kOkId), u"确定");
    EXPECT_EQ(model.text(CSettingIPDlg::kCancelId), u"取消");
    EXPECT_FALSE(dialog.isClosed());
}

TEST_F(SettingIpDlgTest, CancelKeepsTheEditsInMemoryButWritesNothing)
{
    CSettingIPDlg dialog(*profile, directory);
    dialog.onInitDialog();
    dialog.model().userEditText(CSettingIPDlg::kSubnetMaskId, u"255.255.0.0");
    dialog.model().userClick(CSettingIPDlg::kUseStartAddressId);
    EXPECT_EQ(vexlo::fieldText(profile->main.subnetMask), "255.255.0.0");
    EXPECT_EQ(profile->main.useStartAddress, 0);
    dialog.model().userClick(CSettingIPDlg::kCancelId);
    EXPECT_EQ(dialog.result(), CSettingIPDlg::Result::Cancelled);
    EXPECT_FALSE(fs::exists(directory / "config.dat"));
}

TEST_F(SettingIpDlgTest, OkWritesConfigDat)
{
    CSettingIPDlg dialog(*profile, directory);
    dialog.onInitDialog();
    dialog.model().userEditText(CSettingIPDlg::kStartAddressId, u"172.16.0.10");
    dialog.model().userEditText(CSettingIPDlg::kGatewayId, u"172.16.0.1");
    dialog.model().userClick(CSettingIPDlg::kOkId);
    EXPECT_EQ(dialog.result(), CSettingIPDlg::Result::Ok);
    EXPECT_EQ(dialog.saveResult(), vexlo::kProfileOk);

    auto loaded = std::make_unique<vexlo::ConfigProfile>();
    ASSERT_EQ(vexlo::loadProfile(*loaded, directory), vexlo::kProfileOk);
    EXPECT_EQ(vexlo::fieldText(loaded->main.startAddress), "172.16.0.10");
    EXPECT_EQ(vexlo::fieldText(loaded->main.gateway), "172.16.0.1");
    EXPECT_EQ(vexlo::fieldText(loaded->main.subnetMask), "255.255.255.0");
    EXPECT_EQ(loaded->main.useStartAddress, 1);
}

TEST_F(SettingIpDlgTest, OverlongFieldIsCutToFit)
{
    CSettingIPDlg dialog(*profile, directory);
    dialog.onInitDialog();
    dialog.model().userEditText(CSettingIPDlg::kGatewayId, std::u16string(400, u'9'));
    EXPECT_EQ(vexlo::fieldText(profile->main.gateway).size(), 255u);
    EXPECT_EQ(profile->main.gateway[255], '\0');
}

} // namespace vexlo
