#include "samples.h"

#include "protocol/command_codes.h"

#include <numeric>
#include <string>

namespace vexlo::protocol::samples {

using Bytes = std::vector<std::uint8_t>;

PlayHeader samplePlayHeader()
{
    PlayHeader header;
    header.streamId = 3;
    header.videoPresent = 1;
    header.audioPresent = 0x0102;
    std::iota(header.prefix.begin(), header.prefix.end(), 0x40);
    std::iota(header.videoBlock.begin(), header.videoBlock.end(), 0);
    std::iota(header.audioBlock.begin(), header.audioBlock.end(), 100);
    return header;
}

std::vector<Message> everyMessage()
{
    Nonce nonce{};
    std::iota(nonce.begin(), nonce.end(), 1);
    Proof proof{};
    std::iota(proof.begin(), proof.end(), 0xC0);
    const std::string gbk = "\xC9\xE8\xD6\xC3<A b=\"1\" />"; // GBK bytes pass untouched
    return {
        Hello{1, 3, "admin"},
        Challenge{1, nonce},
        LoginProof{proof},
        LoginResult{LoginStatus::Refused},
        Command{421, CallKind::SetDVRConfig, 0, gbk},
        Command{205, CallKind::GetDVRConfig, 2, ""},
        Answer{refusalOf(1014), 44, std::string(600, 'v')},
        Answer{1009, 0, "OK"},
        UploadBegin{32u * 1024 * 1024},
        UploadData{65536, Bytes{0, 1, 2, 0xFF}},
        UploadAck{131072},
        UploadEnd{32u * 1024 * 1024},
        UploadResult{UploadStatus::OutOfOrder, 4096},
        PlayStart{17, -5, 1, 1},
        samplePlayHeader(),
        VideoFrame{17, -1, 12345.678, Bytes{0, 0, 0, 1, 0x67}},
        AudioFrame{17, 0.5, Bytes{9, 8, 7}},
        PlayStop{17},
        PlayEnd{17, PlayEndReason::Ended},
        Ping{0xFFFFFFFFu},
        Pong{1},
        Close{CloseReason::Reboot},
    };
}

std::vector<Datagram> everyDatagram()
{
    return {
        SearchProbe{7},
        SearchReply{7, SearchRecord{"SN20260001", "IPC", "00:11:22:33:44:55", "127.0.1.5",
                                    "255.0.0.0", "127.0.0.1", 8000, 0x01020304}},
        ModifyIp{9, "SN20260001", "00:11:22:33:44:55", "127.0.2.3", "255.255.255.0", "127.0.2.1"},
        ModifyIpReply{9, ModifyIpStatus::BadAddress, "SN20260001"},
    };
}

std::vector<std::uint8_t> encodeDatagram(const Datagram& datagram)
{
    return std::visit([](const auto& d) { return d.encode(); }, datagram);
}

} // namespace vexlo::protocol::samples
