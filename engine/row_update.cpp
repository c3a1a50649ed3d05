#include "engine/row_update.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "platform/codepage.h"
#include "platform/ui_port.h"

#include <algorithm>

namespace vexlo {

namespace {

vexlo::UiMessage rowUpdate(_DEVICERECORD& record, std::u16string shown, int column)
{
    vexlo::UiMessage message;
    message.message = WM_ROW_UPDATE;
    message.wParam = reinterpret_cast<WPARAM>(&record);
    message.lParam = column;
    message.text = std::move(shown);
    return message;
}

} // namespace

std::u16string_view currentText(const BatchState& state, TextId id)
{
    return textOf(id, state.languageIndex.load());
}

void postRowUpdate(BatchState& state, _DEVICERECORD& record, std::u16string_view text, int column)
{
    std::u16string shown = setStatusText(record, text);
    if (vexlo::UiPort* ui = state.ui.load())
        ui->post(rowUpdate(record, std::move(shown), column));
}

void postStatus(BatchState& state, _DEVICERECORD& record, TextId id)
{
    postRowUpdate(state, record, currentText(state, id));
}

void sendRowUpdate(BatchState& state, _DEVICERECORD& record, std::u16string_view text, int column)
{
    std::u16string shown = setStatusText(record, text);
    if (vexlo::UiPort* ui = state.ui.load())
        ui->send(rowUpdate(record, std::move(shown), column));
}

std::u16string percentText(std::u16string_view word, int percent)
{
    std::u16string text(word);
    text += u' ';
    text += vexlo::decimalUtf16(std::min(percent, 100));
    text += u'%';
    return text;
}

std::u16string secondsText(std::u16string_view word, std::uint32_t seconds)
{
    std::u16string text(word);
    text += u' ';
    text += vexlo::decimalUtf16(seconds);
    text += u"(s)";
    return text;
}

} // namespace vexlo
