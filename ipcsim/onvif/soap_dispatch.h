#pragma once

#include "ipcsim/onvif/http_message.h"
#include "ipcsim/onvif/service_result.h"
#include "ipcsim/scenario.h"
#include "onvif/digest_server.h"
#include "onvif/username_token_verifier.h"

#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

// One SOAP request of a simulated camera from HTTP in to HTTP out: the
// envelope, who signed it, the scenario's faults for what it stands for, the
// service that answers it, and what goes into the request log. No sockets.
namespace vexlo::ipcsim::onvif {

using PasswordLookup = std::function<std::optional<std::string>(std::string_view user)>;

// Both ways of signing a request, checked on the camera's strand: a
// WS-Security UsernameToken in the envelope or HTTP Digest (MD5 or SHA-256)
// around it. Nonces of both are remembered, so a captured request cannot be
// played again.
class SoapAuthenticator
{
public:
    enum class Verdict
    {
        Accepted,
        Challenge, // answer 401 with challenges: no credentials, or Digest ones that failed
        Refused,   // answer the NotAuthorized fault: a UsernameToken that failed
    };

    struct Check
    {
        Verdict verdict = Verdict::Challenge;
        bool stale = false; // the Digest nonce ran out; the client may retry at once
        std::string note;   // for the request log: how it signed in or why not
    };

    // `cameraClock` is the camera's own time: clients set Created from it.
    explicit SoapAuthenticator(vexlo::onvif::UsernameTokenVerifier::Now cameraClock);

    // `refuseAll`: credentials are checked and then refused whatever they are
    // (the loginRefused fault); a request without any is still challenged.
    Check check(const HttpRequest& request, pugi::xml_node soapHeader,
                const PasswordLookup& passwords, bool refuseAll);
    // WWW-Authenticate values, SHA-256 first, as RFC 7616 orders them.
    std::vector<std::string> challenges(bool stale);

private:
    vexlo::onvif::UsernameTokenVerifier m_tokens;
    vexlo::onvif::DigestServer m_md5;
    vexlo::onvif::DigestServer m_sha256;
};

// The operations of the camera's services; nothing for an unknown action.
using OperationHandler =
    std::function<std::optional<ServiceResult>(std::string_view action, pugi::xml_node payload)>;

// What came of one request.
struct SoapExchange
{
    HttpResponse response;
    // Never answered (ignoreCodes): the client waits until it gives up.
    bool withhold = false;
    double delaySeconds = 0; // answerDelay of the code it stands for
    // For the request log: kind, code, body (the operation element with every
    // password hidden; never a credential) and note.
    std::string action;
    CommandCode code = 0;
    std::string loggedBody;
    std::string note;
};

SoapExchange dispatchSoap(const HttpRequest& request, SoapAuthenticator& authenticator,
                          const CameraFaults& faults, const PasswordLookup& passwords,
                          const OperationHandler& operations);

// A SOAP 1.2 answer: 200 for a response, 400 for a Sender fault and 500 for
// a Receiver fault, as the SOAP 1.2 HTTP binding has it.
HttpResponse soapResponse(const ServiceResult& result);

} // namespace vexlo::ipcsim::onvif
