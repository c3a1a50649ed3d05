#pragma once

#include "settings/page_definition.h"
#include "settings/settings_context.h"

#include <array>
#include <memory>
#include <span>
#include <string_view>

// The one table of the settings pages: it builds the tree (groups and their
// pages, in this order) and the page stack, so the two cannot drift apart.
namespace vexlo {

class SettingsPage;

struct SettingsPageEntry
{
    int index;      // the page index the tree hands to the window
    PageText group; // the tree group above the page
    PageText treeLabel;
    std::string_view className; // the window class of the original design
    int templateId;
    const PageDefinition& (*definition)();
    bool regionGrid = false; // the page carries the motion region grid
};

inline constexpr int kSettingsPageCount = 15;

std::span<const SettingsPageEntry, kSettingsPageCount> settingsPages();

// Creates the page of an entry (the motion page with its grid).
std::unique_ptr<SettingsPage> createSettingsPage(const SettingsPageEntry& entry,
                                                 SettingsContext& context);

} // namespace vexlo
