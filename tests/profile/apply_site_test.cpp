#include "apply_site_fixture.h"

#include "engine/messages.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "profile/config_sections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

namespace vexlo {

// Sections as the site sees them: what each camera receives, in which order,
// and what its row shows while it does.
namespace {

using namespace std::chrono_literals;

std::u16string withSeconds(std::u16string_view prefix, int seconds)
{
    return std::u16string(prefix) + vexlo::utf8ToUtf16(std::to_string(seconds) + "s");
}

void enableEverySection(vexlo::ConfigProfile& profile)
{
    profile.lan.enabled = profile.cloud.enabled = profile.ftp.enabled = 1;
    profile.smtp.enabled = profile.stream.enabled = profile.platform.enabled = 1;
    profile.capture.enabled = profile.overlay.enabled = profile.videoEncode.enabled = 1;
    profile.audioEncode.enabled = profile.motion.enabled = profile.account.enabled = 1;
    profile.time.enabled = profile.maintain.enabled = profile.language.enabled = 1;
}

TEST_F(ApplySiteTest, TwoCamerasReceiveTheEnabledSectionsWithEthernetLast)
{
    auto healthy = vexlo::ipcsim::makeCamera("APL0001", "");
    auto refusing = vexlo::ipcsim::makeCamera("APL0002", "");
    // The second camera refuses the cloud section after two and a half seconds.
    refusing.faults.refusedCodes = {335};
    refusing.faults.answerDelaySeconds[335] = 2.5;
    startSite({healthy, refusing});

    profile->cloud.enabled = 1;
    profile->cloud.cloudLogin = 1;
    profile->audioEncode.enabled = 1;
    profile->lan.enabled = 1;
    vexlo::copyToField(profile->lan.ipAddress, "127.0.0.99");
    vexlo::copyToField(profile->lan.dns1, "a&b<c>");
    ASSERT_EQ(controller.startApplyConfig(allRecords(), *profile, this), 2u);
    ASSERT_TRUE(test::waitUntil([&] { return ui.count(WM_APPLY_DONE) == 2; }, 120s));
    EXPECT_TRUE(vexlo::applyStepFinished(state));

    // The healthy camera: logged in, three sections, Ethernet last, exact bytes.
    const auto first = configRequests("APL0001");
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].code, 335u);
    EXPECT_EQ(first[1].code, 522u);
    EXPECT_EQ(first[2].code, 325u);
    for (const auto& request : first)
        EXPECT_EQ(request.body, bodyOf(static_cast<int>(request.code))) << request.code;
    EXPECT_EQ(first[2].body, "<LANConfig IPAddress=\"127.0.0.99\" Netmask=\"\" Gateway=\"\" "
                             "DNS1=\"a&amp;b&lt;c&gt;\" DNS2=\"\" />");
    const auto firstTexts = textsOf(ui.rowTexts(records[0].get()));
    ASSERT_FALSE(firstTexts.empty());
    EXPECT_EQ(firstTexts.front(), u"登录设备");
    EXPECT_NE(std::find(firstTexts.begin(), firstTexts.end(), u"登录设备成功"), firstTexts.end());
    EXPECT_NE(std::find(firstTexts.begin(), firstTexts.end(), u"设置音频编码完成,进程重启...20s"),
              firstTexts.end());
    EXPECT_EQ(firstTexts.back(), u"设置以太网成功");

    // The refusing camera: the cloud section twice, each time refused after
    // its third waiting second, then the other sections all the same.
    const auto second = configRequests("APL0002");
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0].code, 335u);
    EXPECT_EQ(second[1].code, 335u);
    EXPECT_EQ(second[1].body, second[0].body);
    EXPECT_EQ(second[2].code, 522u);
    EXPECT_EQ(second[3].code, 325u);
    const auto secondTexts = textsOf(ui.rowTexts(records[1].get()));
    EXPECT_EQ(std::count(secondTexts.begin(), secondTexts.end(), u"设置云平台失败"), 2);
    const auto refusal = std::find(secondTexts.begin(), secondTexts.end(), u"设置云平台失败");
    ASSERT_NE(refusal, secondTexts.begin());
    EXPECT_EQ(*(refusal - 1), u"设置云平台...3s");
    EXPECT_EQ(secondTexts.back(), u"设置以太网成功");
    EXPECT_EQ(ui.count(WM_APPLY_DONE), 2u);
}

TEST_F(ApplySiteTest, EverySectionArrivesByteForByteInTableOrderWithEthernetLast)
{
    startSite({vexlo::ipcsim::makeCamera("APL0101", "")});
    _DEVICERECORD* device = records[0].get();
    enableEverySection(*profile);
    vexlo::copyToField(profile->lan.ipAddress, "127.0.0.99");
    vexlo::copyToField(profile->ftp.servers[1].serverAddress, "127.0.0.5");
    vexlo::copyUtf16ToField(profile->ftp.servers[1].account, u"监控&\"值班\"");
    vexlo::copyUtf16ToField(profile->overlay.title, u"大门^东侧");
    vexlo::copyToField(profile->account.newPassword, "a&#xZZ<b>");
    profile->time.timeZone = 20;
    ASSERT_EQ(controller.startApplyConfig({device}, *profile, this), 1u);
    ASSERT_TRUE(test::waitUntil([&] { return ui.count(WM_APPLY_DONE) == 1; }, 120s));

    // The camera received every section once, in table order, each exactly as
    // the profile builds it: the GBK text and the escapes survive the wire.
    const auto sections = vexlo::configSections();
    const auto sent = configRequests("APL0101");
    ASSERT_EQ(sent.size(), sections.size());
    for (std::size_t i = 0; i < sections.size(); ++i) {
        EXPECT_EQ(sent[i].code, static_cast<std::uint32_t>(sections[i].replyCode)) << i;
        EXPECT_EQ(sent[i].body, vexlo::sectionRequestText(sections[i], *profile)) << i;
    }
    EXPECT_EQ(sent.back().code, 325u);
    EXPECT_NE(sent[1].body.find(vexlo::utf16ToGbk(u"监控&amp;&quot;值班&quot;")),
              std::string::npos);
    // Three bodies written out in full, independently of the builders.
    EXPECT_EQ(sent[10].body, "<UserConfig><Account Username=\"admin\" "
                             "Password=\"a&amp;#xZZ&lt;b&gt;\" Group=\"Administrator\" "
                             "Status=\"Enable\" /></UserConfig>");
    EXPECT_EQ(sent[6].body, "<Overlay Enable=\"0\" Transparency=\"0\"><TimeOverlay PosX=\"2\" "
                            "PosY=\"2\" Format=\"yyyy-mm-dd hh:mm:ss\" /><TitleOverlay "
                            "PosX=\"2\" PosY=\"2\" Title=\"b4f3c3c55eb6abb2e0\" /></Overlay>");
    EXPECT_EQ(sent.back().body, "<LANConfig IPAddress=\"127.0.0.99\" Netmask=\"\" Gateway=\"\" "
                                "DNS1=\"\" DNS2=\"\" />");
    // Nothing reached the camera after the Ethernet section.
    EXPECT_EQ(allRequestsOf("APL0101").back().code, 325u);

    // The row names the sections in the same order; each process-restarting
    // section is followed by its twenty-second countdown, the others by the
    // next section at once.
    const auto rows = ui.rowTexts(device);
    std::size_t at = 0;
    for (const vexlo::ConfigSection& section : sections) {
        const std::u16string name(section.sectionName);
        const std::size_t start = indexOf(rows, name, at);
        const std::size_t done = indexOf(rows, name + u"成功", start);
        ASSERT_LT(done, rows.size()) << vexlo::utf16ToUtf8(name);
        at = done + 1;
        if (!section.restartWait)
            continue;
        ASSERT_LE(done + 21, rows.size());
        for (int step = 1; step <= 20; ++step)
            EXPECT_EQ(rows[done + step].text, withSeconds(name + u"完成,进程重启...", step));
        EXPECT_GE(vexlo::tickDiff(rows[done + 1].tick, rows[done].tick), 1000u);
        EXPECT_GE(vexlo::tickDiff(rows[done + 20].tick, rows[done + 1].tick), 19000u);
        at = done + 21;
    }
    EXPECT_EQ(at, rows.size());
    EXPECT_EQ(rows.back().text, u"设置以太网成功");
}

TEST_F(ApplySiteTest, RefusalAfterAboutThreeSecondsIsTriedAgainAfterFifteenSeconds)
{
    auto camera = vexlo::ipcsim::makeCamera("APL0201", "");
    camera.faults.refusedCodes = {335};
    // Half a second before the row's third waiting second, so the refusal is
    // seen at that second however the threads are scheduled.
    camera.faults.answerDelaySeconds[335] = 2.5;
    startSite({camera});
    _DEVICERECORD* device = records[0].get();
    profile->cloud.enabled = 1;
    profile->ftp.enabled = 1;
    ASSERT_EQ(controller.startApplyConfig({device}, *profile, this), 1u);
    ASSERT_TRUE(test::waitUntil([&] { return ui.count(WM_APPLY_DONE) == 1; }, 120s));

    const auto rows = ui.rowTexts(device);
    const std::vector<std::u16string> attempt = {u"设置云平台",      u"设置云平台...0s",
                                                 u"设置云平台...1s", u"设置云平台...2s",
                                                 u"设置云平台...3s", u"设置云平台失败"};
    const std::size_t first = indexOf(rows, u"设置云平台");
    const std::size_t second = indexOf(rows, u"设置云平台", first + 1);
    const std::size_t ftp = indexOf(rows, u"设置FTP");
    ASSERT_EQ(second, first + attempt.size());
    ASSERT_EQ(ftp, second + attempt.size());
    for (std::size_t i = 0; i < attempt.size(); ++i) {
        EXPECT_EQ(rows[first + i].text, attempt[i]) << i;
        EXPECT_EQ(rows[second + i].text, attempt[i]) << i;
    }
    // The refusal came about three seconds after the request, and each
    // failure is followed by one second and then the fifteen-second pause.
    const std::uint32_t refusedAfter = vexlo::tickDiff(rows[first + 5].tick, rows[first + 1].tick);
    EXPECT_GE(refusedAfter, 2500u);
    EXPECT_LT(refusedAfter, 4500u);
    const std::uint32_t retryGap = vexlo::tickDiff(rows[second].tick, rows[second - 1].tick);
    const std::uint32_t nextGap = vexlo::tickDiff(rows[ftp].tick, rows[ftp - 1].tick);
    EXPECT_GE(retryGap, 16000u);
    EXPECT_LT(retryGap, 20000u);
    EXPECT_GE(nextGap, 16000u);
    EXPECT_LT(nextGap, 20000u);
    EXPECT_EQ(rows.back().text, u"设置FTP成功");

    // The camera saw the same cloud request twice, then the FTP section.
    const auto sent = configRequests("APL0201");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].code, 335u);
    EXPECT_EQ(sent[1].code, 335u);
    EXPECT_EQ(sent[0].body, bodyOf(335));
    EXPECT_EQ(sent[1].body, sent[0].body);
    EXPECT_EQ(sent[2].code, 421u);
    EXPECT_EQ(sent[2].body, bodyOf(421));
}

TEST_F(ApplySiteTest, TwoCamerasAtOnceEachEndWithOneApplyDone)
{
    auto quick = vexlo::ipcsim::makeCamera("APL0301", "");
    auto slow = vexlo::ipcsim::makeCamera("APL0302", "");
    // Half a second before the fifth waiting second, whatever the scheduling.
    slow.faults.answerDelaySeconds[335] = 4.5;
    startSite({quick, slow});
    profile->cloud.enabled = 1;
    // What the main window's end-of-step check, and the two records, look like
    // at each WM_APPLY_DONE.
    struct AtDone
    {
        bool finished;
        int quickDone;
        int slowDone;
    };
    std::mutex seenMutex;
    std::vector<AtDone> seen;
    ui.setHook([&](const vexlo::UiMessage& message) {
        if (message.message != WM_APPLY_DONE)
            return;
        const AtDone now{vexlo::applyStepFinished(state), records[0]->applyDone.load(),
                         records[1]->applyDone.load()};
        std::lock_guard lock(seenMutex);
        seen.push_back(now);
    });
    ASSERT_EQ(controller.startApplyConfig(allRecords(), *profile, this), 2u);
    ASSERT_TRUE(controller.waitForAll(120s));

    // Once every thread has ended no further WM_APPLY_DONE can come.
    EXPECT_EQ(ui.count(WM_APPLY_DONE), 2u);
    {
        std::lock_guard lock(seenMutex);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_FALSE(seen[0].finished);
        EXPECT_EQ(seen[0].quickDone, 1);
        EXPECT_EQ(seen[0].slowDone, 0);
        EXPECT_TRUE(seen[1].finished);
        EXPECT_EQ(seen[1].slowDone, 1);
    }
    EXPECT_TRUE(vexlo::applyStepFinished(state));

    // Both rows worked at the same time: the slow camera's section had
    // started before the quick one was done.
    const auto quickRows = ui.rowTexts(records[0].get());
    const auto slowRows = ui.rowTexts(records[1].get());
    const std::size_t slowSection = indexOf(slowRows, u"设置云平台");
    ASSERT_LT(slowSection, slowRows.size());
    ASSERT_FALSE(quickRows.empty());
    EXPECT_LT(vexlo::tickDiff(slowRows[slowSection].tick, quickRows.front().tick),
              vexlo::tickDiff(quickRows.back().tick, quickRows.front().tick));
    EXPECT_EQ(quickRows.back().text, u"设置云平台成功");
    EXPECT_EQ(slowRows.back().text, u"设置云平台成功");
    // The slow camera's row waited through its answer's four and a half seconds.
    EXPECT_EQ(slowRows[slowRows.size() - 2].text, u"设置云平台...5s");
    EXPECT_EQ(configRequests("APL0301").size(), 1u);
    EXPECT_EQ(configRequests("APL0302").size(), 1u);
}

} // namespace

} // namespace vexlo
