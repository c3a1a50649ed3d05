#include "app/main_window.h"

#include "app/execution_driver.h"
#include "app/instruction_table.h"
#include "app/instruction_ticks.h"
#include "app/language_texts.h"
#include "app/main_controls.h"
#include "devices/device_search.h"
#include "devices/discovery_host.h"
#include "devices/modify_ip.h"
#include "devices/setting_ip_dlg.h"
#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/restore_verification.h"
#include "engine/row_update.h"
#include "engine/sdk_callbacks.h"
#include "platform/codepage.h"
#include "platform/host_address.h"
#include "profile/config_profile.h"
#include "profile/profile_file.h"
#include "sdk/netsdk.h"
#include "sdk/player.h"
#include "settings/other_set_dlg.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace vexlo {
namespace {

struct ListColumn
{
    std::u16string_view header;
    int widthPixels;
};

constexpr ListColumn kListColumns[kDeviceListColumns] = {
    {u"IP地址", 125},       {u"物理地址", 125},     {u"序列号", 135},   {u"设备类型", 115},
    {u"升级前版本号", 180}, {u"升级后版本号", 180}, {u"状态信息", 300},
};

constexpr std::u16string_view kFormatTimeoutMinutes[] = {
    u"1",  u"2",  u"3",  u"4",  u"5",  u"6",  u"7",  u"8",  u"9",
    u"10", u"12", u"14", u"16", u"18", u"20", u"25", u"30",
};

constexpr int kMaxExpectedCount = 250;
constexpr int kFirstRunExpectedIndex = 23; // "24"
constexpr int kFirstRunTimeoutIndex = 4;   // "5" minutes
constexpr std::uint32_t kMinuteMs = 60000;
// The video wall shows at most this many devices.
constexpr std::size_t kMaxVideoWallDevices = 250;

constexpr Colour kUpgradeSucceededColour = rgb(0, 200, 0);
constexpr Colour kUpgradeFailedColour = rgb(255, 0, 0);

// The decimal value of a combo text as the C library reads it: leading digits,
// 0 when there are none.
int decimalOf(const std::u16string& text)
{
    long long value = 0;
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        negative = text[at++] == u'-';
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + (text[at] - u'0');
        if (value > 1000000000)
            break;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

struct CVexloDlg::Impl : public ReportObserver, public DiscoveryHost
{
    Impl(UiPort& ui, FrontEnd& frontEnd, MainWindowOptions options);

    // ReportObserver
    void tickChanged(int row, int oldState, int newState) override;
    void rowChanged(int row) override;
    void layoutChanged() override {}

    // DiscoveryHost
    int expectedDeviceCount() const override { return expectedCount; }
    void showTotalCount(int count) override;
    void showTickedCount(int count) override;
    void showUpgradeCounts(int succeeded, int failed) override;
    void showCurrentAction(std::u16string_view text) override;
    void enableSearchButton(bool enabled) override;
    void repaint() override { frontEnd.repaint(); }
    void searchReachedExpected() override;
    void finishSequence() override { driver.finishSequence(); }

    void initDialog();
    void setUpList();
    void fillCombos();
    void loadSettings();
    void applyFirstRunDefaults();
    void applyStoredSettings();
    void save();

    void onControl(int id, ControlEvent event);
    void onExpectedCountChosen();
    void onFormatTimeoutChosen();
    void onInstructionTick(int id);
    void onBrowse();
    void onFirmwarePathEdited();
    void onPlayTicked();
    void onSetIp();
    void setLanguage(int language);
    void onRowUpdate(const UiMessage& message);
    int rowOf(const _DEVICERECORD* record) const;
    void close();

    std::u16string firmwarePath();

    UiPort& ui;
    FrontEnd& frontEnd;
    MainWindowOptions options;
    std::filesystem::path configDir;
    ConfigProfile& profile;

    DialogModel model;
    CReportCtrl list;
    COtherSetDlg settings;
    BatchState state;
    DeviceSearch search;
    ModifyIp modifyIp;
    ExecutionDriver driver;
    BatchWorkers workers;

    int totalCount = 0;
    int expectedCount = 0;
    std::uint32_t formatTimeoutMs = 0;
    bool initialised = false;
    bool closed = false;
    std::function<void()> afterSearch;

    // The firmware path as edit 1005 shows it, for UploadThread.
    std::mutex firmwarePathMutex;
    std::u16string firmwarePathCopy;
};

CVexloDlg::Impl::Impl(UiPort& uiPort, FrontEnd& front, MainWindowOptions windowOptions)
    : ui(uiPort), frontEnd(front), options(std::move(windowOptions)),
      configDir(options.configDirectory.empty() ? vexlo::configDirectory()
                                                : options.configDirectory),
      profile(options.profile ? *options.profile : processProfile()),
      settings(profile, configDir, ui), search(ui, list, state, *this),
      modifyIp(ui, list, state, *this, search, profile.main,
               options.pcAddress ? options.pcAddress : PcAddressSource(&hostIPv4Address)),
      driver(model, list, ui, state, search, modifyIp, DriverServices{frontEnd, workers, profile}),
      workers(state, [this] { return firmwarePath(); })
{
    addMainWindowControls(model);
    model.setHandler([this](int id, ControlEvent event) { onControl(id, event); });
    list.setObserver(this);
}

void CVexloDlg::Impl::initDialog()
{
    if (!options.configDirectory.empty())
        setConfigDirectory(configDir);
    IP_NET_DVR_Init();
    IP_ORV_Init();
    // loginEvent ("EVENT_LOGIN_STATUS") was opened with the batch state.
    registerSdkCallbacks(state);
    setUpList();
    list.setSortable(true);
    showTotalCount(0);
    showTickedCount(0);
    settings.onInitDialog(COtherSetDlg::kClientWidth, COtherSetDlg::kClientHeight);
    fillCombos();
    model.setChecked(ctl::ChineseRadio, true);
    loadSettings();
    state.languageIndex = kLanguageChinese;
    state.ui = &ui;
    workers.setFormatTimeoutMs(formatTimeoutMs);
    workers.start();
    initialised = true;
}

void CVexloDlg::Impl::setUpList()
{
    for (int column = 0; column < kDeviceListColumns; ++column) {
        list.insertColumn(column, std::u16string(kListColumns[column].header),
                          kListColumns[column].widthPixels);
    }
}

void CVexloDlg::Impl::fillCombos()
{
    std::vector<std::u16string> counts;
    for (int count = 1; count <= kMaxExpectedCount; ++count)
        counts.push_back(vexlo::decimalUtf16(count));
    model.setItems(ctl::ExpectedCountCombo, std::move(counts));

    std::vector<std::u16string> minutes;
    for (std::u16string_view text : kFormatTimeoutMinutes)
        minutes.emplace_back(text);
    model.setItems(ctl::FormatTimeoutCombo, std::move(minutes));
}

void CVexloDlg::Impl::loadSettings()
{
    if (loadProfile(profile, configDir) != kProfileOk)
        applyFirstRunDefaults();
    else
        applyStoredSettings();
}

void CVexloDlg::Impl::applyFirstRunDefaults()
{
    model.setSelection(ctl::ExpectedCountCombo, kFirstRunExpectedIndex);
    onExpectedCountChosen();
    model.setSelection(ctl::FormatTimeoutCombo, kFirstRunTimeoutIndex);
    onFormatTimeoutChosen();
    for (int slot :
         {SlotSearch, SlotModifyIp, SlotUpgrade, SlotTimeSync, SlotRestore, SlotReboot}) {
        model.setChecked(kInstructions[slot].checkBoxId, true);
        profile.main.*kInstructions[slot].storedTick = 1;
    }
    save();
}

void CVexloDlg::Impl::applyStoredSettings()
{
    const MainSettings& stored = profile.main;
    model.setSelection(ctl::ExpectedCountCombo, stored.expectedCountIndex);
    model.setSelection(ctl::FormatTimeoutCombo, stored.formatTimeoutIndex);
    for (const InstructionSlot& slot : kInstructions)
        model.setChecked(slot.checkBoxId, stored.*slot.storedTick != 0);
    settings.LoadFromProfile();
    // Taken from what the combos show, without clamping: an index that
    // selects nothing leaves the count 0, and the next search ends at once.
    expectedCount = decimalOf(model.selectedText(ctl::ExpectedCountCombo));
    formatTimeoutMs =
        static_cast<std::uint32_t>(decimalOf(model.selectedText(ctl::FormatTimeoutCombo))) *
        kMinuteMs;
}

void CVexloDlg::Impl::save()
{
    // A failed write is not reported: the settings stay in memory and reach
    // the file with the next save.
    saveProfile(profile, configDir);
}

void CVexloDlg::Impl::onControl(int id, ControlEvent event)
{
    if (id == ctl::FirmwarePath) {
        if (event == ControlEvent::TextChanged)
            onFirmwarePathEdited();
        return;
    }
    if (modifyIp.addressing())
        return; // the addressing loop holds the list's records until it ends
    switch (id) {
    case ctl::SearchButton:
        search.start();
        return;
    case ctl::TickAllBox:
        list.tickAll(model.checked(ctl::TickAllBox));
        return;
    case ctl::BrowseButton:
        onBrowse();
        return;
    case ctl::ExecuteButton:
        driver.execute();
        return;
    case ctl::ExpectedCountCombo:
        if (event == ControlEvent::SelectionChanged)
            onExpectedCountChosen();
        return;
    case ctl::FormatTimeoutCombo:
        if (event == ControlEvent::SelectionChanged)
            onFormatTimeoutChosen();
        return;
    case ctl::InvertBox:
    case ctl::InvertButton:
        list.invertTicks();
        return;
    case ctl::TickAllButton:
        list.tickAll(true);
        return;
    case ctl::DirectModifyIp:
        driver.startInstruction(SlotModifyIp);
        return;
    case ctl::DirectFormatSd1:
        driver.startInstruction(SlotFormatSd1);
        return;
    case ctl::DirectFormatSd2:
        driver.startInstruction(SlotFormatSd2);
        return;
    case ctl::DirectFormatUsb:
        driver.startInstruction(SlotFormatUsb);
        return;
    case ctl::DirectRestore:
        driver.startInstruction(SlotRestore);
        return;
    case ctl::DirectReboot:
        driver.startInstruction(SlotReboot);
        return;
    case ctl::DirectTimeSync:
        driver.startInstruction(SlotTimeSync);
        return;
    case ctl::ChineseRadio:
        setLanguage(kLanguageChinese);
        return;
    case ctl::EnglishRadio:
        setLanguage(kLanguageEnglish);
        return;
    case ctl::PlayTickedButton:
        onPlayTicked();
        return;
    case ctl::OtherSettingsButton:
        // The settings window speaks the main window's language as it opens.
        settings.setLanguage(state.languageIndex.load());
        settings.show();
        frontEnd.showSettingsWindow();
        return;
    case ctl::SetIpButton:
        onSetIp();
        return;
    default:
        break;
    }
    if (instructionSlotOf(id) >= 0 && event == ControlEvent::Clicked)
        onInstructionTick(id);
}

void CVexloDlg::Impl::onExpectedCountChosen()
{
    expectedCount =
        std::clamp(decimalOf(model.selectedText(ctl::ExpectedCountCombo)), 1, kMaxExpectedCount);
    profile.main.expectedCountIndex = model.selection(ctl::ExpectedCountCombo);
    save();
}

void CVexloDlg::Impl::onFormatTimeoutChosen()
{
    formatTimeoutMs =
        static_cast<std::uint32_t>(decimalOf(model.selectedText(ctl::FormatTimeoutCombo))) *
        kMinuteMs;
    workers.setFormatTimeoutMs(formatTimeoutMs);
    profile.main.formatTimeoutIndex = model.selection(ctl::FormatTimeoutCombo);
    save();
}

void CVexloDlg::Impl::onInstructionTick(int id)
{
    if (storeInstructionTick(model, profile.main, id))
        save();
}

void CVexloDlg::Impl::onBrowse()
{
    if (std::optional<std::u16string> path = frontEnd.browseForFirmware()) {
        model.setText(ctl::FirmwarePath, std::move(*path));
        onFirmwarePathEdited();
    }
}

void CVexloDlg::Impl::onFirmwarePathEdited()
{
    std::lock_guard lock(firmwarePathMutex);
    firmwarePathCopy = model.text(ctl::FirmwarePath);
}

std::u16string CVexloDlg::Impl::firmwarePath()
{
    std::lock_guard lock(firmwarePathMutex);
    return firmwarePathCopy;
}

void CVexloDlg::Impl::onPlayTicked()
{
    std::vector<_DEVICERECORD*> devices;
    for (int row = 0; row < list.rowCount() && devices.size() < kMaxVideoWallDevices; ++row) {
        if (list.isTicked(row) && list.deviceOfRow(row))
            devices.push_back(list.deviceOfRow(row));
    }
    frontEnd.runVideoWall(devices);
}

void CVexloDlg::Impl::onSetIp()
{
    CSettingIPDlg dialog(profile, configDir);
    dialog.onInitDialog();
    frontEnd.runSetIpDialog(dialog);
}

void CVexloDlg::Impl::searchReachedExpected()
{
    if (afterSearch)
        afterSearch();
    driver.runNextFrom(SlotModifyIp);
}

void CVexloDlg::Impl::setLanguage(int language)
{
    if (language != kLanguageChinese && language != kLanguageEnglish)
        return;
    model.setChecked(ctl::ChineseRadio, language == kLanguageChinese);
    model.setChecked(ctl::EnglishRadio, language == kLanguageEnglish);
    if (state.languageIndex.load() == language)
        return;
    state.languageIndex = language;
    applyLanguageTexts(model, list, language);
}

void CVexloDlg::Impl::tickChanged(int /*row*/, int oldState, int newState)
{
    int count = driver.tickedCount();
    if (oldState == 1 && newState == 2)
        ++count;
    else if (oldState == 2 && newState == 1)
        --count;
    showTickedCount(count);
}

void CVexloDlg::Impl::rowChanged(int row)
{
    if (_DEVICERECORD* record = list.deviceOfRow(row))
        record->listRow = row;
}

void CVexloDlg::Impl::showTotalCount(int count)
{
    totalCount = count;
    model.setText(ctl::TotalCount, vexlo::decimalUtf16(count));
}

void CVexloDlg::Impl::showTickedCount(int count)
{
    driver.setTickedCount(count);
    model.setText(ctl::TickedCount, vexlo::decimalUtf16(count));
}

void CVexloDlg::Impl::showUpgradeCounts(int succeeded, int failed)
{
    model.setText(ctl::SuccessCount, vexlo::decimalUtf16(succeeded));
    model.setText(ctl::FailureCount, vexlo::decimalUtf16(failed));
}

void CVexloDlg::Impl::showCurrentAction(std::u16string_view text)
{
    model.setText(ctl::CurrentAction, std::u16string(text));
}

void CVexloDlg::Impl::enableSearchButton(bool enabled)
{
    model.setEnabled(ctl::SearchButton, enabled);
}

int CVexloDlg::Impl::rowOf(const _DEVICERECORD* record) const
{
    const int row = record->listRow.load();
    if (list.deviceOfRow(row) == record)
        return row;
    // The row it names no longer shows it: find it, or drop the update.
    for (int each = 0; each < list.rowCount(); ++each) {
        if (list.deviceOfRow(each) == record)
            return each;
    }
    return -1;
}

void CVexloDlg::Impl::onRowUpdate(const UiMessage& message)
{
    const auto* record = reinterpret_cast<const _DEVICERECORD*>(message.wParam);
    const int column = static_cast<int>(message.lParam);
    if (!record || column < 0 || column >= kDeviceListColumns)
        return;
    const int row = rowOf(record);
    if (row < 0)
        return;
    list.setCellText(row, column, message.text);
    if (message.text == currentText(state, TextId::UpgradeSuccess))
        list.setTextColour(row, COLUMN_VERSION_AFTER, kUpgradeSucceededColour);
    else if (message.text == currentText(state, TextId::SameVersion))
        list.setTextColour(row, COLUMN_VERSION_AFTER, kUpgradeFailedColour);
}

void CVexloDlg::Impl::close()
{
    if (closed)
        return;
    closed = true;
    ui.killTimer(kSearchTimerId);
    ui.killTimer(kVerifyTimerId);
    driver.stopApplyThreads();
    if (initialised)
        workers.stop();
}

CVexloDlg::CVexloDlg(UiPort& ui, FrontEnd& frontEnd, MainWindowOptions options)
    : m_impl(std::make_unique<Impl>(ui, frontEnd, std::move(options)))
{
}

CVexloDlg::~CVexloDlg()
{
    m_impl->close();
    if (m_impl->initialised) {
        // The library must not call into a batch state that is going away.
        IP_NET_DVR_SetStatusEventCallBack(nullptr, nullptr);
        IP_NET_DVR_SetAUXResponseCallBack(nullptr, nullptr);
    }
    m_impl->state.ui = nullptr;
    m_impl->ui.removePosted(WM_ROW_UPDATE);
}

void CVexloDlg::onInitDialog()
{
    m_impl->initDialog();
}

void CVexloDlg::onClose()
{
    m_impl->close();
}

DialogModel& CVexloDlg::model()
{
    return m_impl->model;
}

CReportCtrl& CVexloDlg::deviceList()
{
    return m_impl->list;
}

COtherSetDlg& CVexloDlg::settingsWindow()
{
    return m_impl->settings;
}

bool CVexloDlg::onListCheckBoxClick(int row)
{
    return m_impl->list.clickCheckBox(row, m_impl->driver.running());
}

void CVexloDlg::onListDoubleClick(int row)
{
    if (_DEVICERECORD* record = m_impl->list.deviceOfRow(row))
        m_impl->frontEnd.runSingleVideo(record);
}

void CVexloDlg::onListHeaderClick(int column)
{
    m_impl->list.clickHeader(column);
}

bool CVexloDlg::swallowsKey(int key) const
{
    return key == kEscapeKey;
}

bool CVexloDlg::onSystemCommand(unsigned command)
{
    if ((command & 0xFFF0u) != kAboutCommand)
        return false;
    m_impl->frontEnd.showAbout();
    return true;
}

void CVexloDlg::onCommand(int id)
{
    m_impl->onControl(id, ControlEvent::Clicked);
}

LPARAM CVexloDlg::onMessage(const UiMessage& message)
{
    switch (message.message) {
    case WM_ROW_UPDATE:
        m_impl->onRowUpdate(message);
        return 0;
    case COtherSetDlg::WM_SHOW_PAGE:
        return m_impl->settings.onMessage(message);
    case WM_MODIFYIP_DONE:
        m_impl->frontEnd.repaint();
        m_impl->driver.onModifyIpDone();
        return 0;
    default:
        return m_impl->driver.onCompletion(message.message, message.wParam, message.lParam);
    }
}

void CVexloDlg::onTimer(std::uint32_t timerId)
{
    switch (timerId) {
    case kSearchTimerId:
        m_impl->search.onSearchTimer();
        break;
    case kVerifyTimerId:
        m_impl->modifyIp.onVerifyTimer();
        break;
    case kRestoreTimerId:
        m_impl->workers.onRestoreTimer();
        break;
    default:
        break;
    }
}

void CVexloDlg::setLanguage(int language)
{
    m_impl->setLanguage(language);
}

int CVexloDlg::language() const
{
    return m_impl->state.languageIndex.load();
}

void CVexloDlg::setExpectedDeviceCountForRun(int count)
{
    const int expected = std::clamp(count, 1, kMaxExpectedCount);
    m_impl->model.setSelection(ctl::ExpectedCountCombo, expected - 1);
    m_impl->expectedCount = expected;
}

bool CVexloDlg::setFormatTimeoutForRun(int minutes)
{
    for (std::size_t index = 0; index < std::size(kFormatTimeoutMinutes); ++index) {
        if (decimalOf(std::u16string(kFormatTimeoutMinutes[index])) != minutes)
            continue;
        m_impl->model.setSelection(ctl::FormatTimeoutCombo, static_cast<int>(index));
        m_impl->formatTimeoutMs = static_cast<std::uint32_t>(minutes) * kMinuteMs;
        m_impl->workers.setFormatTimeoutMs(m_impl->formatTimeoutMs);
        return true;
    }
    return false;
}

void CVexloDlg::setAfterSearch(std::function<void()> hook)
{
    m_impl->afterSearch = std::move(hook);
}

int CVexloDlg::failedSinceExecute() const
{
    return m_impl->driver.failedSinceExecute();
}

bool CVexloDlg::running() const
{
    return m_impl->driver.running();
}

int CVexloDlg::expectedDeviceCount() const
{
    return m_impl->expectedCount;
}

std::uint32_t CVexloDlg::formatTimeoutMs() const
{
    return m_impl->formatTimeoutMs;
}

int CVexloDlg::tickedCount() const
{
    return m_impl->driver.tickedCount();
}

int CVexloDlg::totalCount() const
{
    return m_impl->totalCount;
}

const std::filesystem::path& CVexloDlg::configDirectory() const
{
    return m_impl->configDir;
}

ConfigProfile& CVexloDlg::profile()
{
    return m_impl->profile;
}

BatchState& CVexloDlg::batchState()
{
    return m_impl->state;
}

} // namespace vexlo
