#include "credentials/credentials_file.h"

#include "platform/file_descriptor.h"
#include "platform/file_replace.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace vexlo::credentials {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// Picks the text of the user's language.
class Wording
{
public:
    explicit Wording(TextLanguage language) : m_chinese(language == TextLanguage::Chinese) {}
    bool english() const { return !m_chinese; }
    std::string operator()(std::string chinese, std::string english) const
    {
        return m_chinese ? std::move(chinese) : std::move(english);
    }

private:
    bool m_chinese;
};

// A text from the file, shown in quotes and cut short when long; the cut never
// splits a UTF-8 sequence. Never used for a password.
std::string inQuotes(std::string_view text)
{
    constexpr std::size_t kLongest = 40;
    if (text.size() <= kLongest)
        return "\"" + std::string(text) + "\"";
    std::size_t end = kLongest;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return "\"" + std::string(text.substr(0, end)) + "...\"";
}

std::string reason(int error, const Wording& say)
{
    return fileErrorReason(error, say.english());
}

// ---- reading ----

// The file's form is wrong; `detail` says where, in the user's language.
struct Malformed
{
    std::string detail;
};

std::string entryName(const char* list, std::size_t index, const Wording& say)
{
    const std::string number = std::to_string(index + 1);
    return say("\"" + std::string(list) + "\" 第 " + number + " 项",
               "entry " + number + " of \"" + list + "\"");
}

// The problems that checkCredentials finds, in the file's own terms.
std::string describe(const CredentialsCheck& check, const SiteCredentials& credentials,
                     const Wording& say)
{
    const std::string entry = entryName(check.inCameras ? "cameras" : "logins", check.index, say);
    switch (check.problem) {
    case CredentialsProblem::None:
        break;
    case CredentialsProblem::TooManyPairs:
        return say("\"logins\" 超过 " + std::to_string(kMaxLoginPairs) + " 项",
                   "\"logins\" has more than " + std::to_string(kMaxLoginPairs) + " entries");
    case CredentialsProblem::TooManyCameras:
        return say("\"cameras\" 超过 " + std::to_string(kMaxCameraLogins) + " 项",
                   "\"cameras\" has more than " + std::to_string(kMaxCameraLogins) + " entries");
    case CredentialsProblem::PairWithoutUser:
    case CredentialsProblem::CameraWithoutUser:
        return say(entry + "没有用户名（\"user\"）", entry + " has no user name (\"user\")");
    case CredentialsProblem::CameraWithoutKey:
        return say(entry + "没有指明摄像机：需要 \"serial\" 或 \"address\"",
                   entry + " names no camera: it needs \"serial\" or \"address\"");
    case CredentialsProblem::CameraWithBothKeys:
        return say(entry + "同时有 \"serial\" 和 \"address\"，只能有其中一个",
                   entry + " has both \"serial\" and \"address\"; it may have only one");
    case CredentialsProblem::CameraBadAddress: {
        const std::string address = inQuotes(credentials.cameras[check.index].address);
        return say(entry + "的地址 " + address + " 不是 IPv4 地址（例如 192.168.1.64）",
                   entry + ": the address " + address +
                       " is not an IPv4 address such as 192.168.1.64");
    }
    case CredentialsProblem::NulInText:
        return say(entry + "含有 NUL 字符（\\u0000）",
                   entry + " contains a NUL character (\\u0000)");
    }
    return {};
}

// The members of an entry: each a text, none but `allowed`.
std::string textMember(const Json& entry, const char* name, const std::string& where,
                       const Wording& say)
{
    const auto member = entry.find(name);
    if (member == entry.end())
        return {};
    if (!member->is_string())
        throw Malformed{say(where + "的 \"" + name + "\" 应为文本",
                            "\"" + std::string(name) + "\" of " + where + " must be a text")};
    return member->get<std::string>();
}

void refuseUnknownMembers(const Json& object, std::initializer_list<std::string_view> allowed,
                          const std::string& where, const Wording& say)
{
    for (const auto& [key, value] : object.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
            throw Malformed{say(where + "有未知的成员 " + inQuotes(key),
                                where + " has an unknown member " + inQuotes(key))};
    }
}

const Json* listMember(const Json& root, const char* name, std::size_t most, const Wording& say)
{
    const auto member = root.find(name);
    if (member == root.end())
        return nullptr;
    if (!member->is_array())
        throw Malformed{say("\"" + std::string(name) + "\" 应为列表",
                            "\"" + std::string(name) + "\" must be a list")};
    // Checked before any entry is read, so a long list costs nothing more.
    if (member->size() > most)
        throw Malformed{say("\"" + std::string(name) + "\" 超过 " + std::to_string(most) + " 项",
                            "\"" + std::string(name) + "\" has more than " + std::to_string(most) +
                                " entries")};
    return &*member;
}

const Json& entryObject(const Json& entry, const std::string& where, const Wording& say)
{
    if (!entry.is_object())
        throw Malformed{say(where + "应为对象（{...}）", where + " must be an object ({...})")};
    return entry;
}

SiteCredentials fromJson(const Json& root, const Wording& say)
{
    if (!root.is_object())
        throw Malformed{say("内容应为含 \"logins\" 和 \"cameras\" 的对象",
                            "it must hold an object with \"logins\" and \"cameras\"")};
    refuseUnknownMembers(root, {"logins", "cameras"}, say("文件", "the file"), say);

    SiteCredentials credentials;
    if (const Json* logins = listMember(root, "logins", kMaxLoginPairs, say)) {
        for (std::size_t index = 0; index < logins->size(); ++index) {
            const std::string where = entryName("logins", index, say);
            const Json& entry = entryObject((*logins)[index], where, say);
            refuseUnknownMembers(entry, {"user", "password"}, where, say);
            credentials.pairs.push_back(LoginPair{textMember(entry, "user", where, say),
                                                  textMember(entry, "password", where, say)});
        }
    }
    if (const Json* cameras = listMember(root, "cameras", kMaxCameraLogins, say)) {
        for (std::size_t index = 0; index < cameras->size(); ++index) {
            const std::string where = entryName("cameras", index, say);
            const Json& entry = entryObject((*cameras)[index], where, say);
            refuseUnknownMembers(entry, {"serial", "address", "user", "password"}, where, say);
            CameraLogin camera;
            camera.serial = textMember(entry, "serial", where, say);
            camera.address = textMember(entry, "address", where, say);
            camera.login = LoginPair{textMember(entry, "user", where, say),
                                     textMember(entry, "password", where, say)};
            credentials.cameras.push_back(std::move(camera));
        }
    }
    if (const CredentialsCheck check = checkCredentials(credentials);
        check.problem != CredentialsProblem::None)
        throw Malformed{describe(check, credentials, say)};
    return credentials;
}

// The reason of the failure just seen, never 0.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

enum class ReadResult
{
    Read,
    Missing,
    TooLarge,
    NotAFile,
    Failed, // `error` says why
};

// At most kMaxCredentialsFileBytes of a regular file. A file that grows while
// it is read counts as too large.
ReadResult readBounded(const fs::path& file, std::string& text, int& error)
{
    // Non-blocking, so a FIFO in the file's place cannot hang the open.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    error = fd.valid() ? 0 : lastError();
    if (!fd.valid())
        return error == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0) {
        error = lastError();
        return ReadResult::Failed;
    }
    if (!S_ISREG(status.st_mode))
        return ReadResult::NotAFile;
    if (static_cast<std::uintmax_t>(status.st_size) > kMaxCredentialsFileBytes)
        return ReadResult::TooLarge;

    text.assign(kMaxCredentialsFileBytes + 1, '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::read(fd.get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = lastError();
            return ReadResult::Failed;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    if (done > kMaxCredentialsFileBytes)
        return ReadResult::TooLarge;
    text.resize(done);
    return ReadResult::Read;
}

// The line of the byte the parser stopped at (counted from 1).
std::size_t lineOf(const std::string& text, std::size_t byte)
{
    const std::size_t end = std::min(text.size(), byte > 0 ? byte - 1 : 0);
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, '\n'));
}

// ---- writing ----

// Where the new file goes: through a symbolic link to the file it names.
fs::path saveTarget(const fs::path& file)
{
    std::error_code error;
    if (fs::is_symlink(file, error)) {
        fs::path resolved = fs::weakly_canonical(file, error);
        if (!error)
            return resolved;
    }
    return file;
}

fs::path folderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Creates `folder` and the folders above it that are missing, each with mode
// 0700. Returns 0 or the errno of the failure.
int makeFolders(const fs::path& folder)
{
    struct stat status = {};
    if (::stat(folder.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    if (folder.has_parent_path() && folder.parent_path() != folder) {
        if (const int error = makeFolders(folder.parent_path()); error != 0)
            return error;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// A new file beside `target` that only its owner can read or write, from the
// moment it exists. Returns the descriptor, or -1 with errno set.
int createPrivateTemporary(const fs::path& target, fs::path& temporary)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folderOf(target) /
                    ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                     std::to_string(counter.fetch_add(1)) + ".tmp");
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself durable. Best effort: the new file is already in
// place and complete.
void syncFolder(const fs::path& folder)
{
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

Json toJson(const SiteCredentials& credentials)
{
    Json logins = Json::array();
    for (const LoginPair& pair : credentials.pairs)
        logins.push_back(Json{{"user", pair.user}, {"password", pair.password}});
    Json cameras = Json::array();
    for (const CameraLogin& camera : credentials.cameras) {
        Json entry = Json::object();
        if (!camera.serial.empty())
            entry["serial"] = camera.serial;
        else
            entry["address"] = camera.address;
        entry["user"] = camera.login.user;
        entry["password"] = camera.login.password;
        cameras.push_back(std::move(entry));
    }
    Json root = Json::object();
    root["logins"] = std::move(logins);
    root["cameras"] = std::move(cameras);
    return root;
}

} // namespace

CredentialsLoad loadCredentials(const fs::path& file, TextLanguage language)
{
    const Wording say(language);
    const std::string name = file.string();
    CredentialsLoad load;
    load.credentials = defaultCredentials();

    std::string text;
    int readError = 0;
    const ReadResult read = readBounded(file, text, readError);
    load.found = read != ReadResult::Missing;
    switch (read) {
    case ReadResult::Missing:
        return load;
    case ReadResult::Failed:
        load.error = say("无法读取登录账号文件 " + name + "：" + reason(readError, say) + "。",
                         "Cannot read the login accounts file " + name + ": " +
                             reason(readError, say) + ".");
        return load;
    case ReadResult::NotAFile:
        load.error =
            say("登录账号文件 " + name + " 不是普通文件，未读取。",
                "The login accounts file " + name + " is not a regular file; it was not read.");
        return load;
    case ReadResult::TooLarge:
        load.error =
            say("登录账号文件 " + name + " 超过 1 MiB，未读取。",
                "The login accounts file " + name + " is larger than 1 MiB; it was not read.");
        return load;
    case ReadResult::Read:
        break;
    }

    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        load.error = say("登录账号文件 " + name + " 是空的。",
                         "The login accounts file " + name + " is empty.");
        return load;
    }
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::parse_error& error) {
        const std::string line = std::to_string(lineOf(text, error.byte));
        load.error = say("登录账号文件 " + name + " 不是有效的 JSON（第 " + line + " 行有误）。",
                         "The login accounts file " + name + " is not valid JSON (error at line " +
                             line + ").");
        return load;
    }
    try {
        load.credentials = withDefaultPairs(fromJson(root, say));
    } catch (const Malformed& malformed) {
        load.error =
            say("登录账号文件 " + name + " 有误：" + malformed.detail + "。",
                "The login accounts file " + name + " is malformed: " + malformed.detail + ".");
    }
    return load;
}

bool saveCredentials(const fs::path& file, const SiteCredentials& credentials, std::string& error,
                     TextLanguage language)
{
    const Wording say(language);
    const fs::path target = saveTarget(file);
    const std::string name = target.string();

    if (const CredentialsCheck check = checkCredentials(credentials);
        check.problem != CredentialsProblem::None) {
        error = say("登录账号未保存到 " + name + "：" + describe(check, credentials, say) + "。",
                    "The login accounts were not saved to " + name + ": " +
                        describe(check, credentials, say) + ".");
        return false;
    }
    std::string text;
    try {
        text = toJson(credentials).dump(4, ' ', false, Json::error_handler_t::strict) + "\n";
    } catch (const Json::exception&) {
        error = say("登录账号未保存到 " + name + "：用户名、密码或序列号含有无效的 UTF-8 文本。",
                    "The login accounts were not saved to " + name +
                        ": a user name, password or serial is not valid UTF-8 text.");
        return false;
    }

    const fs::path folder = folderOf(target);
    if (const int folderError = makeFolders(folder); folderError != 0) {
        error = say("登录账号未保存：无法创建文件夹 " + folder.string() + "（" +
                        reason(folderError, say) + "）。",
                    "The login accounts were not saved: the folder " + folder.string() +
                        " could not be created (" + reason(folderError, say) + ").");
        return false;
    }
    // A file the user cannot write stays as it is, as it would if it were
    // opened for writing in place: the rename below would replace it anyway.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        error =
            say("登录账号文件 " + name + " 受写保护，未被替换。",
                "The login accounts file " + name + " is write-protected; it was not replaced.");
        return false;
    }

    fs::path temporary;
    FileDescriptor fd(createPrivateTemporary(target, temporary));
    int writeError = fd.valid() ? 0 : lastError();
    if (fd.valid()) {
        errno = 0;
        const bool written = writeAll(fd.get(), text) && ::fsync(fd.get()) == 0;
        writeError = written ? 0 : lastError();
        if (!fd.close() && writeError == 0)
            writeError = lastError();
        if (writeError == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
            writeError = lastError();
        if (writeError != 0)
            ::unlink(temporary.c_str());
    }
    if (writeError != 0) {
        error = say("无法写入登录账号文件 " + name + "（" + reason(writeError, say) +
                        "），文件未改动。",
                    "The login accounts file " + name + " could not be written (" +
                        reason(writeError, say) + "); it was left as it was.");
        return false;
    }
    syncFolder(folder);
    return true;
}

fs::path credentialsFileBeside(const fs::path& configDirectory)
{
    return configDirectory / kCredentialsFileName;
}

} // namespace vexlo::credentials
