#include "app/summary_texts.h"

#include "engine/format_runner.h"
#include "engine/text_table.h"
#include "platform/codepage.h"

namespace vexlo {
namespace {

std::u16string text(TextId id, int language)
{
    return std::u16string(textOf(id, language));
}

// "%s:%d，%s%d %s%d。": head, total, then the success and failure counts.
std::u16string countsWithTotal(int language, TextId head, int succeeded, int failed)
{
    return text(head, language) + u":" + vexlo::decimalUtf16(succeeded + failed) + u"，" +
           text(TextId::SuccessLabel, language) + vexlo::decimalUtf16(succeeded) + u" " +
           text(TextId::FailedLabel, language) + vexlo::decimalUtf16(failed) + u"。";
}

std::u16string continueQuestion(int language, bool asking)
{
    return asking ? text(TextId::AskContinueOperating, language) : std::u16string();
}

} // namespace

std::u16string upgradeSummary(int language, int total, int succeeded, int failed, bool offerVideo)
{
    // "%s%d, %s%d, %s%d。%s"
    return text(TextId::UpgradeSummaryHead, language) + vexlo::decimalUtf16(total) + u", " +
           text(TextId::SuccessLabel, language) + vexlo::decimalUtf16(succeeded) + u", " +
           text(TextId::FailedLabel, language) + vexlo::decimalUtf16(failed) + u"。" +
           text(offerVideo ? TextId::AskPlayVideo : TextId::AskContinueInstructions, language);
}

std::u16string rebootSummary(int language, int rebooted, int failed)
{
    if (language == 1) {
        // "%s，%s%d %s%d。": no total in English.
        return text(TextId::RebootSummaryHead, language) + u"，" +
               text(TextId::SuccessLabel, language) + vexlo::decimalUtf16(rebooted) + u" " +
               text(TextId::FailedLabel, language) + vexlo::decimalUtf16(failed) + u"。";
    }
    return countsWithTotal(language, TextId::RebootSummaryHead, rebooted, failed);
}

std::u16string restoreSummary(int language, int restored, int failed, bool asking)
{
    if (language == 1)
        return text(TextId::RestoreSummaryHead, language) + continueQuestion(language, asking);
    return countsWithTotal(language, TextId::RestoreSummaryHead, restored, failed) +
           continueQuestion(language, asking);
}

std::u16string timeSyncSummary(int language, int set, int failed, bool asking)
{
    return countsWithTotal(language, TextId::TimeSyncSummaryHead, set, failed) +
           continueQuestion(language, asking);
}

std::u16string formatSummary(int language, int diskIndex, int succeeded, int failed, bool asking)
{
    // "%s %s:%d，%s%d %s%d。%s"
    return storageName(diskIndex) + u" " +
           countsWithTotal(language, TextId::FormatSummaryHead, succeeded, failed) +
           continueQuestion(language, asking);
}

} // namespace vexlo
