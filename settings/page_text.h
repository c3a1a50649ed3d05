#pragma once

#include "engine/text_table.h"

#include <string_view>

// A text of the settings window in both languages of the main window, the
// English one right beside the Chinese one in the page tables. Texts that read
// the same in both (a protocol, a resolution, a frame rate) give only the
// Chinese one.
namespace vexlo {

struct PageText
{
    std::u16string_view chinese;
    std::u16string_view english = {}; // empty: the same as the Chinese text

    bool operator==(const PageText&) const = default;
};

// The text of `text` in `language` (kLanguageChinese or kLanguageEnglish; any
// other index gives Chinese, as the main window's texts do).
constexpr std::u16string_view textOf(const PageText& text, int language)
{
    return language == kLanguageEnglish && !text.english.empty() ? text.english : text.chinese;
}

} // namespace vexlo
