#pragma once

#include "platform/dialog_model.h"

#include <filesystem>
#include <string>

// The set-IP dialog (title "set ip"): the first address, subnet mask and
// gateway that modify IP hands out when its check box is ticked. Every change
// is stored in the profile at once; OK also writes config.dat, Cancel only
// closes, and what was stored stays in memory for the next save.
namespace vexlo {

struct ConfigProfile;

class CSettingIPDlg
{
public:
    static constexpr int kUseStartAddressId = 1059;
    static constexpr int kStartAddressId = 1212;
    static constexpr int kSubnetMaskId = 1213;
    static constexpr int kGatewayId = 1214;
    static constexpr int kOkId = 1;     // "确定"
    static constexpr int kCancelId = 2; // "取消"
    // The captions in front of the three address fields (static texts).
    static constexpr int kStartAddressLabelId = 1215;
    static constexpr int kSubnetMaskLabelId = 1216;
    static constexpr int kGatewayLabelId = 1217;

    enum class Result
    {
        Open,
        Ok,
        Cancelled,
    };

    CSettingIPDlg(ConfigProfile& profile, std::filesystem::path configDirectory);

    static std::u16string title() { return u"set ip"; }
    DialogModel& model() { return m_model; }

    // Fills the controls from the profile; called before the dialog shows.
    void onInitDialog();
    // The dialog's own close button or Escape: as Cancel.
    void onClose();

    Result result() const { return m_result; }
    bool isClosed() const { return m_result != Result::Open; }
    // What writing config.dat returned on OK (0 when it was written).
    int saveResult() const { return m_saveResult; }

private:
    void onControl(int id, ControlEvent event);

    ConfigProfile& m_profile;
    std::filesystem::path m_configDirectory;
    DialogModel m_model;
    Result m_result = Result::Open;
    int m_saveResult = 0;
};

} // namespace vexlo
