#pragma once

#include <filesystem>
#include <string>

// Where config.dat and credentials.json live when no folder is given with
// --config. A portable copy keeps them beside the program, as it always has.
// A program the package installed under /usr, or one in a folder that takes no
// new files, keeps them in the user's settings folder instead, so that what
// the user sets is not lost at exit.
namespace vexlo {

// The user's settings folder: $XDG_CONFIG_HOME/vexlo when that is an absolute
// path, else $HOME/.config/vexlo, else the account's home from the password
// database. Empty when none of them is known.
std::filesystem::path userConfigDirectory(const std::string& xdgConfigHome,
                                          const std::string& home);

// programFolder when it is not under /usr and a new file can be made there;
// otherwise userFolder, made first (with every missing parent) with mode 0700
// when it does not exist. An empty userFolder leaves programFolder.
std::filesystem::path chooseConfigDirectory(const std::filesystem::path& programFolder,
                                            const std::filesystem::path& userFolder);

// chooseConfigDirectory for this process: its executable's folder and the
// user's folder from the environment.
std::filesystem::path defaultConfigDirectory();

} // namespace vexlo
