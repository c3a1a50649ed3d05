#include "media_camera.h"

#include "onvif/soap.h"

#include <gtest/gtest.h>

namespace vexlo::ipcsim::onvif::testing {

namespace {

// Every element of a reply must sit in a declared namespace, or a client that
// resolves prefixes cannot read it.
void expectNamespacesDeclared(pugi::xml_node node)
{
    for (pugi::xml_node element = node.first_child(); element; element = element.next_sibling()) {
        if (element.type() != pugi::node_element) {
            continue;
        }
        EXPECT_FALSE(vexlo::onvif::namespaceOf(element).empty())
            << "undeclared prefix on " << element.name();
        expectNamespacesDeclared(element);
    }
}

} // namespace

std::string Reply::at(std::initializer_list<std::string_view> path) const
{
    return vexlo::onvif::text(vexlo::onvif::find(root(), path));
}

std::string Reply::faultPath() const
{
    if (!fault) {
        return {};
    }
    std::string path = fault->code;
    for (const std::string& subcode : fault->subcodes) {
        path += "/" + subcode;
    }
    return path;
}

MediaCamera::MediaCamera() : state("SN-7 <Gate>"), context{"127.0.0.5", 8554, "SN-7"}
{
}

Reply MediaCamera::call(std::string_view payload)
{
    const std::string envelope =
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body>" +
        std::string(payload) + "</env:Body></env:Envelope>";
    auto message = vexlo::onvif::parseEnvelope(envelope);
    Reply reply;
    if (!message) {
        ADD_FAILURE() << "the test's own request does not parse: " << payload;
        return reply;
    }
    const auto result = handleMediaOperation(message->action(), message->payload(), state, context);
    if (!result) {
        return reply;
    }
    reply.handled = true;
    if (const auto* fault = std::get_if<vexlo::onvif::SoapFault>(&*result)) {
        reply.fault = *fault;
        return reply;
    }
    const auto& answer = std::get<ServiceAnswer>(*result);
    reply.body = answer.body;
    reply.note = answer.note;
    reply.document = std::make_shared<vexlo::onvif::XmlDocument>(answer.body);
    EXPECT_TRUE(reply.document->ok()) << answer.body;
    // Only the reply's own namespace declarations count, as the envelope's
    // are not there to help.
    if (reply.document->ok()) {
        EXPECT_FALSE(vexlo::onvif::namespaceOf(reply.root()).empty()) << answer.body;
        expectNamespacesDeclared(reply.root());
    }
    return reply;
}

} // namespace vexlo::ipcsim::onvif::testing
