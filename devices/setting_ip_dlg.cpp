#include "devices/setting_ip_dlg.h"

#include "platform/codepage.h"
#include "profile/config_profile.h"
#include "profile/profile_file.h"

namespace vexlo {

CSettingIPDlg::CSettingIPDlg(ConfigProfile& profile, std::filesystem::path configDirectory)
    : m_profile(profile), m_configDirectory(std::move(configDirectory))
{
    m_model.add(kUseStartAddressId, ControlKind::CheckBox, u"修改IP起始地址");
    m_model.add(kStartAddressLabelId, ControlKind::Label, u"IP");
    m_model.add(kStartAddressId, ControlKind::AddressEdit);
    m_model.add(kSubnetMaskLabelId, ControlKind::Label, u"子网掩码");
    m_model.add(kSubnetMaskId, ControlKind::AddressEdit);
    m_model.add(kGatewayLabelId, ControlKind::Label, u"网关");
    m_model.add(kGatewayId, ControlKind::AddressEdit);
    m_model.add(kOkId, ControlKind::PushButton, u"确定");
    m_model.add(kCancelId, ControlKind::PushButton, u"取消");
    m_model.setHandler([this](int id, ControlEvent event) { onControl(id, event); });
}

void CSettingIPDlg::onInitDialog()
{
    const MainSettings& settings = m_profile.main;
    m_model.setChecked(kUseStartAddressId, settings.useStartAddress != 0);
    m_model.setText(kStartAddressId, gbkToUtf16(fieldText(settings.startAddress)));
    m_model.setText(kSubnetMaskId, gbkToUtf16(fieldText(settings.subnetMask)));
    m_model.setText(kGatewayId, gbkToUtf16(fieldText(settings.gateway)));
    m_result = Result::Open;
}

void CSettingIPDlg::onClose()
{
    if (m_result == Result::Open)
        m_result = Result::Cancelled;
}

void CSettingIPDlg::onControl(int id, ControlEvent event)
{
    MainSettings& settings = m_profile.main;
    switch (id) {
    case kUseStartAddressId:
        settings.useStartAddress = m_model.checked(id) ? 1 : 0;
        break;
    case kStartAddressId:
        if (event == ControlEvent::TextChanged)
            copyUtf16ToField(settings.startAddress, m_model.text(id));
        break;
    case kSubnetMaskId:
        if (event == ControlEvent::TextChanged)
            copyUtf16ToField(settings.subnetMask, m_model.text(id));
        break;
    case kGatewayId:
        if (event == ControlEvent::TextChanged)
            copyUtf16ToField(settings.gateway, m_model.text(id));
        break;
    case kOkId:
        m_saveResult = saveProfile(m_profile, m_configDirectory);
        m_result = Result::Ok;
        break;
    case kCancelId:
        m_result = Result::Cancelled;
        break;
    default:
        break;
    }
}

} // namespace vexlo
