#pragma once

#include "engine/messages.h"
#include "engine/text_table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vexlo {

struct BatchState;
struct _DEVICERECORD;

// The text of `id` in the language in force now.
std::u16string_view currentText(const BatchState& state, TextId id);

// Writes `text` into the record's status text and posts WM_ROW_UPDATE for
// `column` (4, 5 or 6) with a copy of what was stored, so a later rewrite of the
// record's buffer cannot change what this update shows.
void postRowUpdate(BatchState& state, _DEVICERECORD& record, std::u16string_view text,
                   int column = COLUMN_STATUS);

// The same, with the text of `id` in the language in force now.
void postStatus(BatchState& state, _DEVICERECORD& record, TextId id);

// Like postRowUpdate, but waits until the user-interface thread has handled the
// update (the version column is rewritten right after it).
void sendRowUpdate(BatchState& state, _DEVICERECORD& record, std::u16string_view text, int column);

// "<word> <n>%" with n capped at 100: the upload progress text.
std::u16string percentText(std::u16string_view word, int percent);
// "<word> <n>(s)": a wait shown in whole seconds.
std::u16string secondsText(std::u16string_view word, std::uint32_t seconds);

} // namespace vexlo
