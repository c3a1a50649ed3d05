// vexlo: the Qt front end. Installs the device library, creates the main
// window's logic and its window, and runs the event loop until the window closes.
#include "app/main_controls.h"
#include "app/main_window.h"
#include "composite/device_libraries.h"
#include "gui/gui_options.h"
#include "gui/lan_address.h"
#include "gui/main_window_view.h"
#include "gui/qt_front_end.h"
#include "gui/qt_ui_port.h"
#include "platform/version.h"
#include "player/ffmpeg_player.h"
#include "profile/profile_file.h"
#include "sdk/backend.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    // Options first, so --help and a bad option need no display. Qt's own
    // options are not taken: QT_QPA_PLATFORM and the like choose the platform.
    vexlo::GuiOptions options;
    std::string error;
    if (!vexlo::parseGuiOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "vexlo: %s\n%s", error.c_str(), vexlo::guiUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(vexlo::guiUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("vexlo %s\n", vexlo::versionText());
        return 0;
    }
    QApplication application(argc, argv);
    // The installed desktop entry and its icon (hicolor theme) name the window
    // in the task bar; a portable copy without them shows the default icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vexlo"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vexlo")));

    // The original dialog font; Chinese texts come from a CJK font.
    QFont font(QStringLiteral("Arial"), 9);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("WenQuanYi Micro Hei")});
    QApplication::setFont(font);

    // A credentials file that cannot be read is shown, left as it is, and the
    // program goes on with the defaults: the user may fix it from the
    // login-accounts window.
    const auto credentialsFile = vexlo::composite::credentialsPath(
        options.backends,
        options.configDirectory.empty() ? vexlo::configDirectory() : options.configDirectory);
    std::string credentialsError;
    const auto site = vexlo::composite::readSiteCredentials(credentialsFile, credentialsError);
    auto credentials = std::make_shared<vexlo::credentials::CredentialStore>(
        site.value_or(vexlo::credentials::defaultCredentials()));
    if (!site) {
        std::fprintf(stderr, "vexlo: %s\n", credentialsError.c_str());
        QMessageBox::warning(nullptr, QStringLiteral("Vexlo"),
                             QString::fromStdString(credentialsError));
    }

    // The scan-ranges window changes these between searches; both libraries read them.
    if (!options.netsdk.scanTargets)
        options.netsdk.scanTargets = std::make_shared<vexlo::ScanTargets>();
    vexlo::composite::DeviceLibraries libraries(options.backends, options.netsdk, credentials);
    vexlo::sdk::installDeviceLibrary(&libraries.active());
    // Installed before the main window's start-up, which initialises it.
    vexlo::player::FfmpegPlayer player;
    vexlo::sdk::installPlayer(&player);

    vexlo::MainWindowOptions windowOptions;
    windowOptions.configDirectory = options.configDirectory;
    if (!options.netsdk.loopbackOnly) {
        const std::string lan = options.netsdk.lanInterface;
        windowOptions.pcAddress = [lan] { return vexlo::interfaceIPv4Address(lan); };
    }

    vexlo::QtUiPort port;
    vexlo::QtFrontEnd frontEnd;
    int status = 0;
    {
        vexlo::CVexloDlg dialog(port, frontEnd, windowOptions);
        port.setHandler(&dialog);
        vexlo::MainWindowView window(dialog);
        window.setCredentials(credentials, credentialsFile);
        window.setScanTargets(options.netsdk.scanTargets, options.netsdk.loopbackOnly);
        port.setBoxParent(&window);
        port.setAfterHandling([&window, &frontEnd] {
            window.refresh();
            frontEnd.refreshSettingsWindow();
        });
        frontEnd.setMainWindow(&window, [&window] { window.refresh(); });
        frontEnd.setSettingsDialog(&dialog.settingsWindow());
        frontEnd.setBatchState(&dialog.batchState());

        dialog.onInitDialog();
        if (options.english)
            dialog.onCommand(vexlo::ctl::EnglishRadio);
        window.refresh();
        window.show();
        status = application.exec();

        // The workers have stopped (onClose); nothing may reach the logic now.
        port.shutdown();
        port.setAfterHandling({});
        port.setHandler(nullptr);
    }
    vexlo::sdk::installPlayer(nullptr);
    vexlo::sdk::installDeviceLibrary(nullptr);
    // A configuration push may have changed cameras' passwords; a file that
    // could not be read at start is left for the user to mend.
    if (site && !vexlo::composite::saveChangedCredentials(credentialsFile, *site, *credentials,
                                                          credentialsError))
        std::fprintf(stderr, "vexlo: a camera's new password was not kept: %s\n",
                     credentialsError.c_str());
    return status;
}
