#pragma once

#include "settings/page_definition.h"

// The row tables of the fifteen settings pages.
namespace vexlo {

// Network
const PageDefinition& ethernetPageDefinition();
const PageDefinition& cloudPageDefinition();
const PageDefinition& ftpPageDefinition();
const PageDefinition& smtpPageDefinition();
const PageDefinition& streamPageDefinition();
const PageDefinition& platformPageDefinition();
// Media
const PageDefinition& capturePageDefinition();
const PageDefinition& timeTitlePageDefinition();
const PageDefinition& videoCodePageDefinition();
const PageDefinition& audioCodePageDefinition();
// Alarm
const PageDefinition& motionPageDefinition();
// System
const PageDefinition& accountPageDefinition();
const PageDefinition& timeSetPageDefinition();
const PageDefinition& maintainPageDefinition();
const PageDefinition& languagePageDefinition();

// Lists several pages share.
inline constexpr std::u16string_view kOffOnItems[] = {u"禁用", u"启用"};
inline constexpr std::u16string_view kNoYesItems[] = {u"否", u"是"};

} // namespace vexlo
