#include "devices/list_report.h"

#include "devices/report_ctrl.h"
#include "platform/codepage.h"
#include "platform/file_replace.h"

#include <cstring>
#include <ctime>

namespace vexlo {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kListColumns = 7; // IP, MAC, serial, type, before, after, status

// A spreadsheet program takes a field that starts with one of these for a
// formula. A camera names its own type and serial, so such a field is kept as
// text by a leading apostrophe.
bool looksLikeFormula(std::string_view field)
{
    return !field.empty() && std::strchr("=+-@\t\r", field.front()) != nullptr;
}

void appendField(std::string& line, std::string field)
{
    if (looksLikeFormula(field))
        field.insert(0, 1, '\'');
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        line += field;
        return;
    }
    line += '"';
    for (char c : field) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

void appendLine(std::string& csv, const std::string (&fields)[kListColumns + 1])
{
    std::string line;
    for (int i = 0; i <= kListColumns; ++i) {
        if (i > 0)
            line += ',';
        appendField(line, fields[i]);
    }
    csv += line;
    csv += "\r\n";
}

} // namespace

std::string listReportCsv(const CReportCtrl& list, std::string_view exportTime, int language)
{
    std::string csv(kByteOrderMark);
    std::string fields[kListColumns + 1];
    for (int column = 0; column < kListColumns; ++column)
        fields[column] = utf16ToUtf8(list.headerText(column));
    fields[kListColumns] = language == 1 ? "Exported at" : "导出时间";
    appendLine(csv, fields);
    for (int row = 0; row < list.rowCount(); ++row) {
        for (int column = 0; column < kListColumns; ++column)
            fields[column] = utf16ToUtf8(list.cellText(row, column));
        fields[kListColumns] = std::string(exportTime);
        appendLine(csv, fields);
    }
    return csv;
}

std::string reportTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string writeListReport(const CReportCtrl& list, const std::filesystem::path& file,
                            int language)
{
    const int error = replaceFile(file, listReportCsv(list, reportTimeNow(), language));
    if (error == 0)
        return {};
    const std::string name = file.string();
    const std::string reason = fileErrorReason(error, language == 1);
    return language == 1 ? "The list could not be saved to " + name + " (" + reason +
                               "); nothing was written."
                         : "无法把列表保存到 " + name + "（" + reason + "），没有写入任何内容。";
}

} // namespace vexlo
