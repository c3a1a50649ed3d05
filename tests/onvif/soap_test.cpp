#include "onvif/soap.h"
#include "onvif/soap_fault.h"
#include "onvif/xml_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace vexlo::onvif;

namespace {

// A reply the way gSOAP-based firmware writes it: SOAP-ENV prefix, many namespaces, pretty printed.
const char* kPrettyReply = R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope"
    xmlns:tds="http://www.onvif.org/ver10/device/wsdl">
  <SOAP-ENV:Header></SOAP-ENV:Header>
  <SOAP-ENV:Body>
    <tds:GetDeviceInformationResponse>
      <tds:Manufacturer>Acme</tds:Manufacturer>
      <tds:Model>IPC-1</tds:Model>
      <tds:FirmwareVersion>V5.4.1 build 200101</tds:FirmwareVersion>
      <tds:Extra>ignored</tds:Extra>
    </tds:GetDeviceInformationResponse>
  </SOAP-ENV:Body>
</SOAP-ENV:Envelope>)";

// A SOAP 1.1 reply with the default namespace and no prefix at all.
const char* kSoap11Reply =
    R"(<Envelope xmlns="http://schemas.xmlsoap.org/soap/envelope/"><Body>)"
    R"(<GetSystemDateAndTimeResponse xmlns="http://www.onvif.org/ver10/device/wsdl"/>)"
    R"(</Body></Envelope>)";

TEST(SoapEnvelope, BuiltEnvelopeCarriesHeadersAndBodyThroughTheParser)
{
    XmlWriter body;
    body.open("tds:GetDeviceInformation")
        .attribute("xmlns:tds", "http://www.onvif.org/ver10/device/wsdl");
    const std::array<std::string, 2> headers{"<h:One xmlns:h=\"x\"/>", "<h:Two xmlns:h=\"x\"/>"};
    const std::string xml = buildEnvelope(body.finish(), headers);

    const auto message = parseEnvelope(xml);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->version, SoapVersion::Soap12);
    EXPECT_EQ(message->action(), "GetDeviceInformation");
    EXPECT_TRUE(child(message->header, "One"));
    EXPECT_TRUE(child(message->header, "Two"));
    EXPECT_EQ(namespaceOf(message->envelope), kSoap12Namespace);
    EXPECT_EQ(buildEnvelope("<x/>").find("Header"), std::string::npos);
}

TEST(SoapEnvelope, PrettyPrintedGsoapReplyReadsByLocalName)
{
    const auto message = parseEnvelope(kPrettyReply);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->action(), "GetDeviceInformationResponse");
    EXPECT_EQ(text(child(message->payload(), "FirmwareVersion")), "V5.4.1 build 200101");
    EXPECT_FALSE(parseFault(*message));
}

TEST(SoapEnvelope, UnprefixedSoap11ReplyIsRecognisedAsVersion11)
{
    const auto message = parseEnvelope(kSoap11Reply);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->version, SoapVersion::Soap11);
    EXPECT_EQ(message->action(), "GetSystemDateAndTimeResponse");
}

TEST(SoapEnvelope, AnythingButAnEnvelopeWithBodyIsRefused)
{
    EXPECT_FALSE(parseEnvelope("<html><body>401</body></html>"));
    EXPECT_FALSE(parseEnvelope(R"(<s:Envelope xmlns:s="u"><s:Header/></s:Envelope>)"));
    EXPECT_FALSE(parseEnvelope("HTTP/1.1 401 Unauthorized"));
    // An empty body is a valid message with no action.
    const auto empty = parseEnvelope(R"(<s:Envelope xmlns:s="u"><s:Body/></s:Envelope>)");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->action(), "");
}

TEST(SoapFault, BuiltFaultReadsBackWithItsWholeSubcodeChain)
{
    const SoapFault fault{"Sender", {"InvalidArgVal", "NoProfile"}, "No such <profile> & token"};
    const std::string xml = buildFault(fault);
    EXPECT_NE(xml.find(R"(xmlns:ter="http://www.onvif.org/ver10/error")"), std::string::npos);
    EXPECT_NE(xml.find("<s:Value>ter:InvalidArgVal</s:Value>"), std::string::npos);
    EXPECT_EQ(parseFault(xml), fault);
}

TEST(SoapFault, EndlessSubcodeChainsAreCutSoOurOwnFaultStaysWithinTheDepthLimit)
{
    SoapFault fault{"Sender", std::vector<std::string>(100, "Deeper"), "r"};
    const auto parsed = parseFault(buildFault(fault));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->subcodes.size(), kMaxFaultSubcodes);

    const std::string dotted =
        "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><s:Fault>"
        "<faultcode>s:Client" +
        std::string(100, '.') + "</faultcode></s:Fault></s:Body></s:Envelope>";
    EXPECT_EQ(parseFault(dotted)->subcodes.size(), kMaxFaultSubcodes);
}

TEST(SoapFault, Soap12FaultWithOtherPrefixesAndTwoReasonLanguages)
{
    const char* xml = R"(<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope"
        xmlns:err="http://www.onvif.org/ver10/error"><env:Body><env:Fault>
        <env:Code><env:Value>env:Receiver</env:Value>
          <env:Subcode><env:Value>err:ActionNotSupported</env:Value></env:Subcode></env:Code>
        <env:Reason><env:Text xml:lang="en">Not supported</env:Text><env:Text xml:lang="de">Nein</env:Text></env:Reason>
        <env:Detail><env:Text>extra</env:Text></env:Detail>
        </env:Fault></env:Body></env:Envelope>)";
    const auto fault = parseFault(xml);
    ASSERT_TRUE(fault);
    EXPECT_EQ(*fault, (SoapFault{"Receiver", {"ActionNotSupported"}, "Not supported"}));
}

TEST(SoapFault, Soap11ClientFaultReadsAsSender)
{
    const char* xml =
        R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">
        <SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>
        <faultstring>Sender not authorized</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>)";
    const auto fault = parseFault(xml);
    ASSERT_TRUE(fault);
    EXPECT_EQ(*fault, (SoapFault{"Sender", {}, "Sender not authorized"}));
}

TEST(SoapFault, Soap11FaultCarryingAnOnvifErrorAsItsCodeIsStillRecognised)
{
    const char* xml =
        R"(<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body><s:Fault>)"
        R"(<faultcode xmlns:ter="http://www.onvif.org/ver10/error">ter:NotAuthorized</faultcode>)"
        R"(<faultstring/></s:Fault></s:Body></s:Envelope>)";
    const auto fault = parseFault(xml);
    ASSERT_TRUE(fault);
    EXPECT_TRUE(fault->mentions("NotAuthorized"));
    EXPECT_FALSE(fault->mentions("Sender"));
}

TEST(SoapFault, PrettyPrintedAndDottedCodesReadWithoutTheirWhitespace)
{
    const char* xml =
        R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body><s:Fault>
      <s:Code>
        <s:Value>
          s:Sender
        </s:Value>
        <s:Subcode><s:Value>ter:NotAuthorized </s:Value></s:Subcode>
      </s:Code></s:Fault></s:Body></s:Envelope>)";
    EXPECT_EQ(parseFault(xml), (SoapFault{"Sender", {"NotAuthorized"}, ""}));
    const char* soap11 =
        R"(<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body><s:Fault>)"
        "<faultcode>\n s:Server .Busy.Retry\n</faultcode></s:Fault></s:Body></s:Envelope>";
    EXPECT_EQ(parseFault(soap11), (SoapFault{"Receiver", {"Busy", "Retry"}, ""}));
}

} // namespace
