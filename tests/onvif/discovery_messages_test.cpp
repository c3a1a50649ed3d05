#include "onvif/discovery_messages.h"
#include "onvif/soap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexlo::onvif;

namespace {

DiscoveryTarget camera()
{
    DiscoveryTarget target;
    target.address = "urn:uuid:11111111-2222-4333-8444-555555555555";
    target.types = {networkVideoTransmitter(), {std::string(kOnvifDeviceNamespace), "Device"}};
    target.scopes = {"onvif://www.onvif.org/type/video_encoder",
                     "onvif://www.onvif.org/name/Cam&Co", "onvif://www.onvif.org/hardware/IPC-1"};
    target.xaddrs = {"http://127.0.0.5/onvif/device_service",
                     "http://[::1]:8080/onvif/device_service"};
    target.metadataVersion = 3;
    return target;
}

TEST(DiscoveryProbe, BuiltProbeReadsBackAndAddressesTheDiscoveryService)
{
    const Probe probe{"urn:uuid:aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee",
                      {networkVideoTransmitter()},
                      {"onvif://www.onvif.org/location/"}};
    const std::string xml = buildProbe(probe);
    EXPECT_EQ(parseProbe(xml), probe);

    const auto message = parseEnvelope(xml);
    ASSERT_TRUE(message);
    EXPECT_EQ(text(child(message->header, "To")), kDiscoveryTo);
    EXPECT_EQ(text(child(message->header, "Action")),
              "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe");
    EXPECT_NE(
        xml.find(
            R"(xmlns:dn="http://www.onvif.org/ver10/network/wsdl">dn:NetworkVideoTransmitter<)"),
        std::string::npos);
}

TEST(DiscoveryProbe, ProbeFromAnotherToolWithItsOwnPrefixesAndABareType)
{
    const char* xml = R"(<e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope"
        xmlns:w="http://schemas.xmlsoap.org/ws/2004/08/addressing"
        xmlns:dis="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:net="http://www.onvif.org/ver10/network/wsdl">
      <e:Header><w:MessageID>uuid:1234</w:MessageID><w:Action>x</w:Action></e:Header>
      <e:Body><dis:Probe><dis:Types>net:NetworkVideoTransmitter Device</dis:Types></dis:Probe></e:Body>
    </e:Envelope>)";
    const auto probe = parseProbe(xml);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->messageId, "uuid:1234");
    ASSERT_EQ(probe->types.size(), 2u);
    EXPECT_EQ(probe->types[0], networkVideoTransmitter());
    EXPECT_EQ(probe->types[1], (QualifiedName{"", "Device"}));
    EXPECT_TRUE(probe->scopes.empty());
}

TEST(DiscoveryProbe, TypeMatchingByNamespaceWhereKnownElseByLocalName)
{
    const std::vector<QualifiedName> device = camera().types;
    EXPECT_TRUE(typesMatch(device, {}));
    EXPECT_TRUE(typesMatch(device, std::vector{networkVideoTransmitter()}));
    EXPECT_TRUE(typesMatch(device, std::vector<QualifiedName>{{"", "NetworkVideoTransmitter"}}));
    EXPECT_FALSE(typesMatch(
        device, std::vector<QualifiedName>{{"http://other/ns", "NetworkVideoTransmitter"}}));
    EXPECT_FALSE(
        typesMatch(device, std::vector<QualifiedName>{networkVideoTransmitter(), {"", "Printer"}}));
    EXPECT_FALSE(typesMatch({}, std::vector{networkVideoTransmitter()}));
}

TEST(DiscoveryProbe, NonsenseTypeNamesAreDroppedNotMisread)
{
    const char* xml =
        R"(<s:Envelope xmlns:s="u"><s:Body><d:Probe xmlns:d="d"><d:Types>a:b:c x: ok</d:Types>)"
        R"(</d:Probe></s:Body></s:Envelope>)";
    const auto probe = parseProbe(xml);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->types, (std::vector<QualifiedName>{{"", "ok"}}));
}

TEST(DiscoveryMatches, BuiltMatchesReadBackWithRelatesToAndSequence)
{
    ProbeMatches matches{"urn:uuid:reply", "urn:uuid:probe", {7, 2}, {camera(), camera()}};
    matches.matches[1].address = "urn:uuid:second";
    EXPECT_EQ(parseProbeMatches(buildProbeMatches(matches)), matches);
}

TEST(DiscoveryMatches, PrettyPrintedReplyWithExtraElementsAndUnknownPrefixes)
{
    const char* xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope"
    xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing"
    xmlns:wsdd="http://schemas.xmlsoap.org/ws/2005/04/discovery"
    xmlns:tdn="http://www.onvif.org/ver10/network/wsdl">
  <SOAP-ENV:Header>
    <wsa:MessageID>uuid:reply-1</wsa:MessageID>
    <wsa:RelatesTo>uuid:probe-1</wsa:RelatesTo>
    <wsdd:AppSequence InstanceId="1700000000" MessageNumber="12"/>
  </SOAP-ENV:Header>
  <SOAP-ENV:Body>
    <wsdd:ProbeMatches>
      <wsdd:ProbeMatch>
        <wsa:EndpointReference>
          <wsa:Address>urn:uuid:abc</wsa:Address>
          <wsa:ReferenceProperties/>
        </wsa:EndpointReference>
        <wsdd:Types>tdn:NetworkVideoTransmitter</wsdd:Types>
        <wsdd:Scopes>
          onvif://www.onvif.org/type/video_encoder
          onvif://www.onvif.org/name/IPC
        </wsdd:Scopes>
        <wsdd:XAddrs>http://127.0.0.9/onvif/device_service http://127.0.0.9:80/onvif/device_service</wsdd:XAddrs>
        <wsdd:MetadataVersion>10</wsdd:MetadataVersion>
        <vendor:Extension xmlns:vendor="v">ignored</vendor:Extension>
      </wsdd:ProbeMatch>
    </wsdd:ProbeMatches>
  </SOAP-ENV:Body>
</SOAP-ENV:Envelope>)";
    const auto matches = parseProbeMatches(xml);
    ASSERT_TRUE(matches);
    EXPECT_EQ(matches->relatesTo, "uuid:probe-1");
    EXPECT_EQ(matches->sequence, (AppSequence{1700000000u, 12}));
    ASSERT_EQ(matches->matches.size(), 1u);
    const DiscoveryTarget& target = matches->matches[0];
    EXPECT_EQ(target.address, "urn:uuid:abc");
    EXPECT_EQ(target.types, std::vector{networkVideoTransmitter()});
    EXPECT_EQ(target.scopes.size(), 2u);
    EXPECT_EQ(target.xaddrs.size(), 2u);
    EXPECT_EQ(target.xaddrs[1], "http://127.0.0.9:80/onvif/device_service");
    EXPECT_EQ(target.metadataVersion, 10u);
}

TEST(DiscoveryAnnouncements, HelloAndByeReadBackAndAreNotConfused)
{
    const Announcement hello{"urn:uuid:hello", {5, 1}, camera()};
    const std::string helloXml = buildHello(hello);
    EXPECT_EQ(parseHello(helloXml), hello);
    EXPECT_FALSE(parseBye(helloXml));
    EXPECT_FALSE(parseProbeMatches(helloXml));
    EXPECT_FALSE(parseProbe("<Envelope><Body><Probe>"));

    Announcement bye{"urn:uuid:bye", {5, 2}, {}};
    bye.target.address = camera().address;
    const std::string byeXml = buildBye(bye);
    EXPECT_EQ(parseBye(byeXml), bye);
    EXPECT_NE(byeXml.find("discovery/Bye</a:Action>"), std::string::npos);
}

} // namespace
