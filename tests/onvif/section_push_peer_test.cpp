#include "kept_reply.h"
#include "scripted_peer.h"

#include "onvif/section_push.h"

#include <gtest/gtest.h>

// Sections of the configuration push against a scripted camera, for what the
// simulator never does: a camera that takes a new address only at its next
// start.
namespace {

using namespace vexlo::onvif;
using vexlo::onvif::test::PeerReply;
using vexlo::onvif::test::PeerRequest;
using vexlo::onvif::test::ScriptedPeer;

std::string reply(const std::string& name)
{
    return test::keptReply(name);
}

std::string operationOf(const PeerRequest& request)
{
    const std::size_t body = request.body.find("Body>");
    const std::size_t open = request.body.find('<', body);
    const std::size_t colon = request.body.find(':', open);
    const std::size_t end = request.body.find_first_of(" />", colon);
    if (body == std::string::npos || colon == std::string::npos || end == std::string::npos)
        return {};
    return request.body.substr(colon + 1, end - colon - 1);
}

std::string emptyResponse(const std::string& operation, const std::string& content = {})
{
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"><s:Body><tds:" +
           operation + "Response>" + content + "</tds:" + operation +
           "Response></s:Body></s:Envelope>";
}

TEST(SectionPushPeerTest, CameraThatNeedsARestartForItsAddressIsRestartedLast)
{
    ScriptedPeer peer([](const PeerRequest& request) {
        const std::string operation = operationOf(request);
        if (operation == "GetSystemDateAndTime")
            return PeerReply{200, {}, reply("date_time_pretty_soap_env.xml")};
        if (operation == "GetNetworkInterfaces")
            return PeerReply{200, {}, reply("network_interfaces_two_compact.xml")};
        if (operation == "SetNetworkInterfaces")
            return PeerReply{
                200, {}, emptyResponse(operation, "<tds:RebootNeeded>true</tds:RebootNeeded>")};
        if (operation == "SystemReboot")
            return PeerReply{
                200, {}, emptyResponse(operation, "<tds:Message>Rebooting</tds:Message>")};
        return PeerReply{200, {}, emptyResponse(operation)};
    });
    DeviceClient client(peer.url(), {"admin", "pass"});
    const std::string body = "<LANConfig IPAddress=\"127.0.0.9\" Netmask=\"255.0.0.0\" "
                             "Gateway=\"127.0.0.1\" DNS1=\"127.0.0.53\" DNS2=\"0.0.0.0\" />";

    const SectionPush push = pushSection(client, 325, body, {"admin", "pass"}, {});
    EXPECT_EQ(push.verdict, SectionVerdict::Set);
    EXPECT_TRUE(push.rebooting);
    EXPECT_FALSE(push.newAddress) << "the camera keeps its address until it restarts";

    std::vector<std::string> operations;
    for (const PeerRequest& request : peer.requests()) {
        if (const std::string operation = operationOf(request); operation != "GetSystemDateAndTime")
            operations.push_back(operation);
    }
    const std::vector<std::string> expected{"GetNetworkInterfaces", "SetNetworkInterfaces",
                                            "SetNetworkDefaultGateway", "SetDNS", "SystemReboot"};
    EXPECT_EQ(operations, expected);
}

} // namespace
