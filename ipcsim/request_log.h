#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The simulator's request log: one JSON object per line for every request a
// camera receives, so tests can compare exact bytes.
//
//   {"seq":1,"time":"2026-12-07T19:53:56.123Z","serial":"SIM0001",
//    "address":"127.0.1.1","kind":"SystemControl","code":1012,
//    "body":"RESPONSE_PARAM","bodyHex":"52455350...","note":""}
//
// "bodyHex" always holds the exact request bytes. "body" holds them as text
// when they are valid UTF-8 (which every ASCII request is); otherwise "body" is
// left out and "bodyGbk" shows them read as GBK, for people only. A reader takes
// the bytes from "bodyHex".
namespace vexlo::ipcsim {

// The kinds of call, named after the device library calls that send them.
namespace request_kind {
inline constexpr std::string_view kSearch = "SearchIPC";
inline constexpr std::string_view kModifyIp = "ModifyIPC";
inline constexpr std::string_view kLogin = "Login";
inline constexpr std::string_view kLogout = "Logout";
inline constexpr std::string_view kSystemControl = "SystemControl";
inline constexpr std::string_view kSetConfig = "SetDVRConfig";
inline constexpr std::string_view kGetConfig = "GetDVRConfig";
inline constexpr std::string_view kUpgrade = "Upgrade";
inline constexpr std::string_view kFormatDisk = "FormatDisk";
inline constexpr std::string_view kRestore = "RestoreConfig";
inline constexpr std::string_view kReboot = "RebootDVR";
inline constexpr std::string_view kRealPlay = "RealPlay";
inline constexpr std::string_view kStopRealPlay = "StopRealPlay";
} // namespace request_kind

class RequestLogError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct RequestRecord
{
    std::uint64_t sequence = 0; // set by the writer: 1, 2, 3, ... in file order
    std::string time;           // set by the writer: UTC, millisecond precision
    std::string serial;
    std::string address;    // the camera address the request arrived at
    std::string kind;       // one of request_kind
    std::uint32_t code = 0; // the command code; 0 for calls that carry none
    std::string body;       // the exact request bytes
    std::string note;       // what the camera made of it, free text, may be empty
};

// Appends records to a file, from any number of threads; each line is written
// and flushed whole, so a reader never sees half a line except at the end.
class RequestLog
{
public:
    // Creates or empties `file`. Throws RequestLogError when it cannot.
    explicit RequestLog(const std::filesystem::path& file);

    // Stamps the sequence number and time and writes the line. False when the
    // write failed (disk full, ...); the log then keeps trying with later lines.
    bool append(RequestRecord record);

    std::uint64_t linesWritten() const;

private:
    mutable std::mutex m_mutex;
    std::ofstream m_out;
    std::uint64_t m_sequence = 0;
    std::uint64_t m_written = 0;
};

// One record as its line, without the line break.
std::string formatRequestLine(const RequestRecord& record);

// One line back into a record. Throws RequestLogError when the line is not a
// record of this log.
RequestRecord parseRequestLine(std::string_view line);

// Every complete line of a log file. A last line without its line break is
// still being written and is left out. Throws RequestLogError naming the line
// number of a damaged line.
std::vector<RequestRecord> readRequestLog(const std::filesystem::path& file);

} // namespace vexlo::ipcsim
