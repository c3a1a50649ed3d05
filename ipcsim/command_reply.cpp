#include "ipcsim/command_reply.h"

#include "ipcsim/request_log.h"
#include "protocol/command_codes.h"

namespace vexlo::ipcsim {
namespace {

// The storage total a format request names: "0" SD1, "1" SD2, "2" USB.
std::optional<std::int32_t> totalOfDisk(const StorageTotals& storage, std::string_view disk)
{
    if (disk == "0") {
        return storage.sd1;
    }
    if (disk == "1") {
        return storage.sd2;
    }
    if (disk == "2") {
        return storage.usb;
    }
    return std::nullopt;
}

std::string configAnswer(CommandCode code, const ConfigStore& config)
{
    const auto found = config.find(code);
    if (found != config.end()) {
        return found->second;
    }
    return "<RESPONSE_PARAM\r\nCode=\"" + std::to_string(code) + "\"\r\n/>";
}

// The answer to a command that the scenario lets through.
CommandReply normalReply(const CameraSetup& setup, std::string_view version,
                         const protocol::Command& command, const ConfigStore& config)
{
    CommandReply reply;
    reply.text = std::string(kOkAnswer);
    if (command.kind == protocol::CallKind::GetDVRConfig) {
        reply.text = configAnswer(command.code, config);
        return reply;
    }
    switch (command.code) {
    case kCodeVersion:
        reply.text = setup.versionAnswerFor(version);
        break;
    case kCodeStorage:
        reply.text = setup.storageAnswer();
        break;
    case kCodeFormat: {
        const auto total = totalOfDisk(setup.storage, command.text);
        if (!total) {
            reply.refused = true;
            reply.note = "refused: no such storage";
        } else if (*total <= 0) {
            reply.refused = true;
            reply.note = "refused: storage not mounted";
        } else {
            reply.delaySeconds = setup.formatSeconds;
            reply.text = command.text;
            reply.note = "formatting";
        }
        break;
    }
    case kCodeSetTime:
        reply.note = "time set to " + timeInRequest(command.text);
        break;
    case kCodeFirmwareVerdict:
        // Only the camera sends this code; a client asking for it gets a refusal.
        reply.refused = true;
        reply.note = "refused: the firmware verdict is never requested";
        break;
    case protocol::kCodeReboot:
        reply.text.clear();
        reply.after = AfterAnswer::Reboot;
        reply.note = "rebooting";
        break;
    case protocol::kCodeFactoryRestore:
        reply.text.clear();
        reply.after = AfterAnswer::FactoryRestore;
        reply.note = "restoring factory settings";
        break;
    default:
        break;
    }
    return reply;
}

} // namespace

std::string_view requestKindOf(const protocol::Command& command)
{
    if (command.kind == protocol::CallKind::SystemControl) {
        switch (command.code) {
        case kCodeFormat:
            return request_kind::kFormatDisk;
        case protocol::kCodeReboot:
            return request_kind::kReboot;
        case protocol::kCodeFactoryRestore:
            return request_kind::kRestore;
        default:
            return request_kind::kSystemControl;
        }
    }
    return command.kind == protocol::CallKind::SetDVRConfig ? request_kind::kSetConfig
                                                            : request_kind::kGetConfig;
}

CommandReply replyTo(const CameraSetup& setup, std::string_view version,
                     const protocol::Command& command, const ConfigStore& config)
{
    const CameraFaults& faults = setup.faults;
    if (faults.ignores(command.code)) {
        CommandReply silent;
        silent.answered = false;
        silent.note = "ignored by scenario";
        return silent;
    }
    if (faults.refuses(command.code)) {
        CommandReply refusal;
        refusal.refused = true;
        refusal.delaySeconds = faults.answerDelay(command.code);
        refusal.note = "refused by scenario";
        return refusal;
    }
    CommandReply reply = normalReply(setup, version, command, config);
    reply.delaySeconds += faults.answerDelay(command.code);
    if (reply.refused) {
        reply.text.clear();
        reply.after = AfterAnswer::Nothing;
    }
    return reply;
}

void rememberConfig(ConfigStore& config, CommandCode code, std::string text)
{
    const auto found = config.find(code);
    if (found != config.end()) {
        found->second = std::move(text);
    } else if (config.size() < kMaxStoredConfigs) {
        config.emplace(code, std::move(text));
    }
}

std::string timeInRequest(std::string_view request)
{
    constexpr std::string_view kKey = "Time=\"";
    std::size_t at = request.find(kKey);
    // "TimeZone=" must not be taken for "Time=": the key stands alone.
    while (at != std::string_view::npos && at > 0 && request[at - 1] != '\n' &&
           request[at - 1] != ' ' && request[at - 1] != '\r') {
        at = request.find(kKey, at + 1);
    }
    if (at == std::string_view::npos) {
        return {};
    }
    const std::size_t start = at + kKey.size();
    const std::size_t end = request.find('"', start);
    if (end == std::string_view::npos) {
        return {};
    }
    return std::string(request.substr(start, end - start));
}

} // namespace vexlo::ipcsim
