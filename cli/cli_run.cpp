#include "cli/cli_run.h"

#include "app/headless_front_end.h"
#include "app/instruction_table.h"
#include "app/main_controls.h"
#include "app/main_window.h"
#include "cli/cli_options.h"
#include "cli/output_lines.h"
#include "devices/list_report.h"
#include "devices/report_ctrl.h"
#include "engine/messages.h"
#include "engine/text_table.h"
#include "platform/codepage.h"
#include "platform/headless_ui_port.h"

#include <chrono>
#include <set>

namespace vexlo::cli {
namespace {

// With --answer yes, a search short of the expected count is repeated at most
// this often, so that a script never waits for ever.
constexpr int kMaxSearchRepeats = 3;
// How long the row updates still queued at the end may take to arrive.
constexpr std::chrono::milliseconds kDrainLimit{2000};
// A run has no limit of its own; this only keeps the wait finite.
constexpr std::chrono::hours kRunLimit{24 * 365};

bool isText(std::u16string_view shown, TextId id)
{
    return shown == textOf(id, kLanguageChinese) || shown == textOf(id, kLanguageEnglish);
}

class Printer
{
public:
    explicit Printer(std::FILE* out) : m_out(out) {}
    void print(const std::string& line)
    {
        std::fwrite(line.data(), 1, line.size(), m_out);
        std::fflush(m_out);
    }

private:
    std::FILE* m_out;
};

// Stands between the port and the main window: prints every row update the
// window shows, with the serial number of its row.
class RowUpdatePrinter : public UiHandler
{
public:
    RowUpdatePrinter(CVexloDlg& window, Printer& printer) : m_window(window), m_printer(printer) {}

    LPARAM onMessage(const UiMessage& message) override
    {
        if (message.message != WM_ROW_UPDATE)
            return m_window.onMessage(message);
        // The record is only compared, never read: an update for a row that
        // is gone is dropped, as the window drops it.
        const CReportCtrl& list = m_window.deviceList();
        const auto* record = reinterpret_cast<const _DEVICERECORD*>(message.wParam);
        const int column = static_cast<int>(message.lParam);
        int row = -1;
        for (int each = 0; each < list.rowCount() && record; ++each) {
            if (list.deviceOfRow(each) == record) {
                row = each;
                break;
            }
        }
        const LPARAM result = m_window.onMessage(message);
        if (row >= 0 && column >= COLUMN_VERSION_BEFORE && column <= COLUMN_STATUS)
            m_printer.print(rowLine(list.cellText(row, 2), column, message.text));
        return result;
    }

    void onTimer(std::uint32_t timerId) override { m_window.onTimer(timerId); }

private:
    CVexloDlg& m_window;
    Printer& m_printer;
};

void tickInstructions(CVexloDlg& window, const CliOptions& options)
{
    DialogModel& model = window.model();
    if (options.anyInstruction()) {
        const bool wanted[kInstructionCount] = {
            true,
            options.modifyIp,
            options.upgradeFile.has_value(),
            options.syncTime,
            options.formatSd1,
            options.formatSd2,
            options.formatUsb,
            options.restore,
            options.reboot,
            options.otherSettings,
        };
        // Shown for this run, not stored: config.dat keeps the user's ticks.
        for (int slot = 0; slot < kInstructionCount; ++slot)
            model.setChecked(kInstructions[slot].checkBoxId, wanted[slot]);
    }
    // The list starts empty, so every run begins with a search.
    model.setChecked(kInstructions[SlotSearch].checkBoxId, true);
}

void keepOnly(CVexloDlg& window, const std::vector<std::string>& serials, std::FILE* err)
{
    CReportCtrl& list = window.deviceList();
    std::set<std::u16string> wanted;
    for (const std::string& serial : serials)
        wanted.insert(utf8ToUtf16(serial));
    std::set<std::u16string> found;
    for (int row = 0; row < list.rowCount(); ++row) {
        const std::u16string serial = list.cellText(row, 2);
        const bool keep = wanted.count(serial) != 0;
        if (keep)
            found.insert(serial);
        list.setTicked(row, keep);
    }
    for (const std::u16string& serial : wanted) {
        if (found.count(serial) == 0)
            std::fprintf(err, "vexlo-cli: %s was not found\n", utf16ToUtf8(serial).c_str());
    }
}

void printDevices(CVexloDlg& window, Printer& printer)
{
    const CReportCtrl& list = window.deviceList();
    for (int row = 0; row < list.rowCount(); ++row) {
        std::u16string cells[7];
        for (int column = 0; column < 7; ++column)
            cells[column] = list.cellText(row, column);
        printer.print(deviceLine(cells));
    }
}

} // namespace

int runCli(const CliOptions& options, std::FILE* out, std::FILE* err)
{
    Printer printer(out);
    HeadlessUiPort port;
    HeadlessFrontEnd frontEnd; // the video wall has nothing to show here
    MainWindowOptions windowOptions;
    windowOptions.configDirectory = options.configDirectory;
    CVexloDlg window(port, frontEnd, windowOptions);
    RowUpdatePrinter rowPrinter(window, printer);
    port.setHandler(&rowPrinter);
    // This thread is the user-interface thread from here on.
    port.runUntil([] { return true; }, std::chrono::milliseconds(0));

    window.onInitDialog();
    if (options.english)
        window.setLanguage(kLanguageEnglish);
    tickInstructions(window, options);
    DialogModel& model = window.model();

    bool shortSearch = false;
    bool stopped = false; // a step found no device or the address check failed
    int searchRepeats = 0;
    port.setAnswerer([&](const std::u16string& question) -> std::optional<bool> {
        bool yes = options.answerYes;
        if (isText(question, TextId::AskContinueSearch)) {
            yes = yes && searchRepeats++ < kMaxSearchRepeats;
            shortSearch = shortSearch || !yes;
        }
        printer.print(askLine(question, yes));
        return yes;
    });
    port.setBoxObserver([&](const std::u16string& text) {
        if (isText(text, TextId::ModifyIpFailedStop) || isText(text, TextId::SelectDeviceFirst))
            stopped = true;
        printer.print(boxLine(text));
    });
    std::u16string shownAction = model.text(ctl::CurrentAction);
    model.setObserver([&](int id) {
        if (id != ctl::CurrentAction || model.text(id) == shownAction)
            return;
        shownAction = model.text(id);
        printer.print(actionLine(shownAction));
    });

    if (options.expectedCount)
        window.setExpectedDeviceCountForRun(*options.expectedCount);
    if (options.formatTimeoutMinutes &&
        !window.setFormatTimeoutForRun(*options.formatTimeoutMinutes)) {
        std::fprintf(err, "vexlo-cli: format timeout of %d minutes is not offered\n",
                     *options.formatTimeoutMinutes);
        return kExitBadOptions;
    }
    if (options.upgradeFile)
        model.userEditText(ctl::FirmwarePath, utf8ToUtf16(*options.upgradeFile));
    if (model.checked(ctl::UpgradeTick) && model.text(ctl::FirmwarePath).empty()) {
        std::fprintf(err, "vexlo-cli: the upgrade is ticked in config.dat; give --upgrade FILE\n");
        window.onClose();
        port.shutdown();
        return kExitBadOptions;
    }
    if (!options.onlySerials.empty())
        window.setAfterSearch([&] { keepOnly(window, options.onlySerials, err); });

    model.userClick(ctl::ExecuteButton);
    port.runUntil([&] { return !window.running(); }, kRunLimit);
    port.runUntil([&] { return port.pendingCount() == 0; }, kDrainLimit);

    window.onClose();
    port.shutdown();
    model.setObserver({});
    printer.print("done\n");
    printDevices(window, printer);
    bool reportLost = false;
    if (!options.reportFile.empty()) {
        const std::string error =
            writeListReport(window.deviceList(), options.reportFile, options.english ? 1 : 0);
        reportLost = !error.empty();
        if (reportLost)
            std::fprintf(err, "vexlo-cli: %s\n", error.c_str());
    }
    port.setHandler(nullptr);

    const bool failed = window.failedSinceExecute() > 0 || shortSearch || stopped || reportLost;
    return failed ? kExitSomeFailed : kExitAllWell;
}

} // namespace vexlo::cli
