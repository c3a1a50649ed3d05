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
inline constexpr PageText kOffOnItems[] = {{u"禁用", u"Disabled"}, {u"启用", u"Enabled"}};
inline constexpr PageText kNoYesItems[] = {{u"否", u"No"}, {u"是", u"Yes"}};

} // namespace vexlo
