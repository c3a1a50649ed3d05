#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The device list as a report for the site's owner: a CSV file (UTF-8 with a
// byte order mark, so that spreadsheet programs read the Chinese texts right;
// fields quoted as RFC 4180 says; CRLF line ends). One line per listed camera:
// IP, MAC, serial, type, version before, version after, status, and the time
// of the export. It holds what the list shows and nothing else: no password.
namespace vexlo {

class CReportCtrl;

// `exportTime` is written in every line, as "YYYY-MM-DD HH:MM:SS" local time;
// `language` (0 Chinese, 1 English) names the time's column.
std::string listReportCsv(const CReportCtrl& list, std::string_view exportTime, int language);

// "YYYY-MM-DD HH:MM:SS" for now, local time.
std::string reportTimeNow();

// Writes the report to `file` beside it first, then renames it into place.
// Empty when written; otherwise what went wrong, in the user's language.
std::string writeListReport(const CReportCtrl& list, const std::filesystem::path& file,
                            int language);

} // namespace vexlo
