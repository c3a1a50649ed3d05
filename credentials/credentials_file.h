#pragma once

#include "credentials/site_credentials.h"

#include <cstdint>
#include <filesystem>
#include <string>

// credentials.json: the site's login pairs, kept beside config.dat. It holds
// passwords, so it is only ever written whole, to a file that nobody else can
// read at any moment (mode 0600), and a file that cannot be understood is
// reported and left as it is: the program never writes it on its own.
//
//     {
//         "logins": [{"user": "admin", "password": ""}],
//         "cameras": [
//             {"serial": "VX1", "user": "u", "password": "p"},
//             {"address": "127.0.10.5", "user": "u", "password": "p"}
//         ]
//     }
//
// Both lists may be left out; an empty "logins" means admin with an empty
// password. "password" may be left out too (an empty password).
namespace vexlo::credentials {

inline constexpr const char* kCredentialsFileName = "credentials.json";
// A larger file is refused unread.
inline constexpr std::uintmax_t kMaxCredentialsFileBytes = 1024 * 1024;

// The language of the error texts, as the user reads them.
enum class TextLanguage
{
    Chinese,
    English,
};

struct CredentialsLoad
{
    SiteCredentials credentials; // what the file says, or defaultCredentials()
    bool found = false;          // there is a file (it may still be unreadable)
    std::string error;           // empty unless the file could not be used
};

// Reads `file`. A missing file gives defaultCredentials() and no error. A file
// that cannot be read, is too large, is not JSON or does not have the form
// above gives an error that names the file (and the line, for a JSON syntax
// error) and defaultCredentials(). Nothing is ever written.
CredentialsLoad loadCredentials(const std::filesystem::path& file,
                                TextLanguage language = TextLanguage::English);

// Replaces `file` with `credentials` in one step: a new file created beside it
// with mode 0600 is written, synced and renamed over it, so a crash leaves the
// previous file whole. Missing folders are created with mode 0700. A file the
// user cannot write is not replaced, and credentials that loadCredentials
// would refuse are not written. Returns false with `error` set when nothing
// was replaced. A file that is a symbolic link stays one; the file it names
// is replaced.
bool saveCredentials(const std::filesystem::path& file, const SiteCredentials& credentials,
                     std::string& error, TextLanguage language = TextLanguage::English);

// configDirectory / credentials.json.
std::filesystem::path credentialsFileBeside(const std::filesystem::path& configDirectory);

} // namespace vexlo::credentials
