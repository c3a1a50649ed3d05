#include "main_window_fixture.h"

#include "app/instruction_table.h"
#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "platform/tick.h"
#include "profile/profile_file.h"

#include <cstdlib>

namespace vexlo {

MainWindowTest::MainWindowTest()
{
    setenv("VEXLO_HOST_ADDRESS", "127.0.1.100", 1);
    vexlo::setTimeScaleForTesting(kTimeScale);
    profile = std::make_unique<vexlo::ConfigProfile>();
    port.setAnswerer([this](const std::u16string& question) -> std::optional<bool> {
        questions.push_back(question);
        return answer(question);
    });
    port.setBoxObserver([this](const std::u16string& box) { boxes.push_back(box); });
}

MainWindowTest::~MainWindowTest()
{
    if (window)
        window->onClose();
    window.reset();
    port.setHandler(nullptr);
}

void MainWindowTest::open()
{
    vexlo::MainWindowOptions options;
    options.configDirectory = directory;
    options.profile = profile.get();
    options.pcAddress = pcAddress;
    window = std::make_unique<vexlo::CVexloDlg>(port, frontEnd, options);
    port.setHandler(window.get());
    window->onInitDialog();
}

void MainWindowTest::tickOnly(std::initializer_list<int> checkBoxIds)
{
    for (const vexlo::InstructionSlot& slot : vexlo::kInstructions) {
        const bool wanted =
            std::find(checkBoxIds.begin(), checkBoxIds.end(), slot.checkBoxId) != checkBoxIds.end();
        if (window->model().checked(slot.checkBoxId) != wanted)
            window->model().userClick(slot.checkBoxId);
    }
}

bool MainWindowTest::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    return port.runUntil(done, limit);
}

bool MainWindowTest::waitForFinish()
{
    return waitFor([this] { return text(vexlo::ctl::CurrentAction) == u"执行结束"; });
}

std::vector<std::u16string> MainWindowTest::column(int c) const
{
    std::vector<std::u16string> texts;
    for (int row = 0; row < window->deviceList().rowCount(); ++row)
        texts.push_back(window->deviceList().cellText(row, c));
    return texts;
}

const std::u16string& MainWindowTest::text(int id) const
{
    return window->model().text(id);
}

void writeProfile(const std::filesystem::path& directory,
                  const std::function<void(vexlo::ConfigProfile&)>& change)
{
    auto written = std::make_unique<vexlo::ConfigProfile>();
    change(*written);
    ASSERT_EQ(vexlo::saveProfile(*written, directory), vexlo::kProfileOk);
}

} // namespace vexlo
