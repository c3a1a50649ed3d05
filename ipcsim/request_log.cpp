#include "ipcsim/request_log.h"

#include "ipcsim/utf8.h"
#include "platform/codepage.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <ctime>
#include <sstream>

namespace vexlo::ipcsim {
namespace {

using Json = nlohmann::ordered_json;

std::string utcNow()
{
    const auto now = std::chrono::system_clock::now();
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

const Json& member(const Json& object, const char* name)
{
    const auto found = object.find(name);
    if (found == object.end()) {
        throw RequestLogError(std::string("the field \"") + name + "\" is missing");
    }
    return *found;
}

std::string stringMember(const Json& object, const char* name)
{
    const Json& value = member(object, name);
    if (!value.is_string()) {
        throw RequestLogError(std::string("the field \"") + name + "\" is not a text");
    }
    return value.get<std::string>();
}

std::uint64_t numberMember(const Json& object, const char* name, std::uint64_t max)
{
    const Json& value = member(object, name);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max) {
        throw RequestLogError(std::string("the field \"") + name + "\" is not a number from 0 to " +
                              std::to_string(max));
    }
    return value.get<std::uint64_t>();
}

} // namespace

RequestLog::RequestLog(const std::filesystem::path& file)
    : m_out(file, std::ios::binary | std::ios::trunc)
{
    if (!m_out) {
        throw RequestLogError("cannot create the request log " + file.string());
    }
}

bool RequestLog::append(RequestRecord record)
{
    std::lock_guard lock(m_mutex);
    record.sequence = ++m_sequence;
    record.time = utcNow();
    const std::string line = formatRequestLine(record) + '\n';
    m_out.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_out.flush();
    if (!m_out) {
        m_out.clear();
        return false;
    }
    ++m_written;
    return true;
}

std::uint64_t RequestLog::linesWritten() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::string formatRequestLine(const RequestRecord& record)
{
    Json line;
    line["seq"] = record.sequence;
    line["time"] = record.time;
    line["serial"] = record.serial;
    line["address"] = record.address;
    line["kind"] = record.kind;
    line["code"] = record.code;
    if (isValidUtf8(record.body)) {
        line["body"] = record.body;
    } else {
        line["bodyGbk"] = utf16ToUtf8(gbkToUtf16(record.body));
    }
    line["bodyHex"] = toHex(record.body);
    line["note"] = record.note;
    // The texts other than the body come from the scenario and are UTF-8; a
    // stray byte is replaced rather than losing the whole line.
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

RequestRecord parseRequestLine(std::string_view line)
{
    Json object;
    try {
        object = Json::parse(line.begin(), line.end());
    } catch (const Json::parse_error&) {
        throw RequestLogError("not a JSON line");
    }
    if (!object.is_object()) {
        throw RequestLogError("not a JSON object");
    }
    RequestRecord record;
    record.sequence = numberMember(object, "seq", UINT64_MAX);
    record.time = stringMember(object, "time");
    record.serial = stringMember(object, "serial");
    record.address = stringMember(object, "address");
    record.kind = stringMember(object, "kind");
    record.code = static_cast<std::uint32_t>(numberMember(object, "code", UINT32_MAX));
    if (object.contains("bodyHex")) {
        const auto bytes = fromHex(stringMember(object, "bodyHex"));
        if (!bytes) {
            throw RequestLogError("the field \"bodyHex\" is not hexadecimal");
        }
        record.body = *bytes;
    } else {
        record.body = stringMember(object, "body");
    }
    if (object.contains("note")) {
        record.note = stringMember(object, "note");
    }
    return record;
}

std::vector<RequestRecord> readRequestLog(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw RequestLogError("cannot open the request log " + file.string());
    }
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();

    std::vector<RequestRecord> records;
    std::size_t start = 0;
    std::size_t lineNumber = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        ++lineNumber;
        const std::string_view line(text.data() + start, end - start);
        if (line.empty()) {
            continue;
        }
        try {
            records.push_back(parseRequestLine(line));
        } catch (const RequestLogError& error) {
            throw RequestLogError(file.string() + " line " + std::to_string(lineNumber) + ": " +
                                  error.what());
        }
    }
    return records;
}

} // namespace vexlo::ipcsim
