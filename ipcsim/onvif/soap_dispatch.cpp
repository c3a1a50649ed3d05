#include "ipcsim/onvif/soap_dispatch.h"

#include "ipcsim/onvif/device_service.h"
#include "onvif/http_digest.h"
#include "onvif/soap.h"
#include "onvif/soap_fault.h"
#include "onvif/ws_security.h"

#include <sstream>

namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::DigestAlgorithm;
using vexlo::onvif::DigestServer;
using vexlo::onvif::DigestVerdict;
using vexlo::onvif::SoapFault;
using vexlo::onvif::TokenVerdict;

constexpr std::string_view kSoapContentType = "application/soap+xml; charset=utf-8";
constexpr std::string_view kRealm = "vexlo-ipcsim";

DigestServer::Options digestOptions(DigestAlgorithm algorithm)
{
    DigestServer::Options options;
    options.realm = std::string(kRealm);
    options.algorithm = algorithm;
    return options;
}

std::string_view tokenProblem(TokenVerdict verdict)
{
    switch (verdict) {
    case TokenVerdict::Accepted:
        return "accepted";
    case TokenVerdict::Missing:
        return "no UsernameToken";
    case TokenVerdict::Malformed:
        return "malformed UsernameToken";
    case TokenVerdict::PlainTextRefused:
        return "PasswordText refused";
    case TokenVerdict::Stale:
        return "Created too far from the camera's clock";
    case TokenVerdict::WrongCredentials:
        return "wrong user name or password";
    case TokenVerdict::Replayed:
        return "replayed nonce";
    }
    return "refused";
}

std::string_view digestProblem(DigestVerdict verdict)
{
    switch (verdict) {
    case DigestVerdict::Accepted:
        return "accepted";
    case DigestVerdict::Missing:
        return "no credentials";
    case DigestVerdict::Malformed:
        return "malformed Digest credentials";
    case DigestVerdict::WrongCredentials:
        return "wrong user name or password";
    case DigestVerdict::Stale:
        return "stale Digest nonce";
    case DigestVerdict::Replayed:
        return "replayed Digest nonce count";
    }
    return "refused";
}

SoapFault notAuthorized()
{
    return SoapFault{"Sender", {"NotAuthorized"}, "Sender not Authorized"};
}

// The operation element as the log shows it: every Password element's
// content replaced, wherever it sits (SetUser carries one in the body).
std::string loggedPayload(pugi::xml_node payload)
{
    if (!payload) {
        return {};
    }
    pugi::xml_document copy;
    const pugi::xml_node root = copy.append_copy(payload);
    std::vector<pugi::xml_node> pending{root};
    while (!pending.empty()) {
        pugi::xml_node node = pending.back();
        pending.pop_back();
        if (vexlo::onvif::localName(node.name()) == "Password") {
            while (node.first_child()) {
                node.remove_child(node.first_child());
            }
            node.append_child(pugi::node_pcdata).set_value("(hidden)");
            continue;
        }
        for (pugi::xml_node sub = node.first_child(); sub; sub = sub.next_sibling()) {
            if (sub.type() == pugi::node_element) {
                pending.push_back(sub);
            }
        }
    }
    std::ostringstream out;
    root.print(out, "", pugi::format_raw);
    return out.str();
}

} // namespace

SoapAuthenticator::SoapAuthenticator(vexlo::onvif::UsernameTokenVerifier::Now cameraClock)
    : m_tokens(std::move(cameraClock)), m_md5(digestOptions(DigestAlgorithm::Md5)),
      m_sha256(digestOptions(DigestAlgorithm::Sha256))
{
}

SoapAuthenticator::Check SoapAuthenticator::check(const HttpRequest& request,
                                                  pugi::xml_node soapHeader,
                                                  const PasswordLookup& passwords, bool refuseAll)
{
    Check result;
    if (const auto token = vexlo::onvif::parseUsernameToken(soapHeader)) {
        const TokenVerdict verdict = m_tokens.verify(*token, passwords);
        if (refuseAll) {
            result.verdict = Verdict::Refused;
            result.note = "UsernameToken of " + token->username + ": refused by scenario";
        } else if (verdict == TokenVerdict::Accepted) {
            result.verdict = Verdict::Accepted;
            result.note = "UsernameToken of " + token->username;
        } else {
            result.verdict = Verdict::Refused;
            result.note = "UsernameToken: " + std::string(tokenProblem(verdict));
        }
        return result;
    }
    const std::string* authorization = request.headers.find("Authorization");
    const auto parsed =
        authorization ? vexlo::onvif::parseAuthorization(*authorization) : std::nullopt;
    if (!parsed) {
        result.note = authorization ? "unreadable Authorization" : "no credentials";
        return result;
    }
    DigestServer* server = nullptr;
    if (parsed->algorithm == DigestAlgorithm::Md5) {
        server = &m_md5;
    } else if (parsed->algorithm == DigestAlgorithm::Sha256) {
        server = &m_sha256;
    } else {
        result.note = "Digest algorithm not offered";
        return result;
    }
    const DigestVerdict verdict =
        server->verify(*authorization, request.method, request.target, passwords);
    if (verdict == DigestVerdict::Accepted && !refuseAll) {
        result.verdict = Verdict::Accepted;
        result.note = "Digest of " + parsed->username;
        return result;
    }
    result.stale = verdict == DigestVerdict::Stale && !refuseAll;
    result.note = refuseAll ? "Digest of " + parsed->username + ": refused by scenario"
                            : "Digest: " + std::string(digestProblem(verdict));
    return result;
}

std::vector<std::string> SoapAuthenticator::challenges(bool stale)
{
    std::vector<std::string> values;
    for (DigestServer* server : {&m_sha256, &m_md5}) {
        if (auto value = server->challenge(stale)) {
            values.push_back(std::move(*value));
        }
    }
    return values;
}

HttpResponse soapResponse(const ServiceResult& result)
{
    if (const auto* answer = std::get_if<ServiceAnswer>(&result)) {
        return HttpResponse::make(200, vexlo::onvif::buildEnvelope(answer->body),
                                  std::string(kSoapContentType));
    }
    const SoapFault& fault = std::get<SoapFault>(result);
    const int status = fault.code == "Sender" ? 400 : 500;
    return HttpResponse::make(status, vexlo::onvif::buildFault(fault),
                              std::string(kSoapContentType));
}

SoapExchange dispatchSoap(const HttpRequest& request, SoapAuthenticator& authenticator,
                          const CameraFaults& faults, const PasswordLookup& passwords,
                          const OperationHandler& operations)
{
    SoapExchange exchange;
    const auto message = vexlo::onvif::parseEnvelope(request.body);
    if (!message || !message->payload()) {
        exchange.action = "InvalidRequest";
        exchange.note = "not a SOAP envelope";
        exchange.response =
            soapResponse(SoapFault{"Sender", {"WellFormed"}, "not a well-formed SOAP request"});
        return exchange;
    }
    exchange.action = message->action();
    const pugi::xml_node payload = message->payload();

    if (!isOpenOperation(exchange.action)) {
        const auto check =
            authenticator.check(request, message->header, passwords, faults.loginRefused);
        exchange.note = check.note;
        if (check.verdict == SoapAuthenticator::Verdict::Challenge) {
            exchange.loggedBody = loggedPayload(payload);
            exchange.response = soapResponse(notAuthorized());
            exchange.response.status = 401;
            for (auto& value : authenticator.challenges(check.stale)) {
                exchange.response.headers.add("WWW-Authenticate", std::move(value));
            }
            return exchange;
        }
        if (check.verdict == SoapAuthenticator::Verdict::Refused) {
            exchange.loggedBody = loggedPayload(payload);
            exchange.response = soapResponse(notAuthorized());
            return exchange;
        }
    }

    exchange.code = homeCodeOf(exchange.action);
    const auto append = [&exchange](std::string_view more) {
        if (!more.empty()) {
            exchange.note += (exchange.note.empty() ? "" : "; ") + std::string(more);
        }
    };
    ServiceResult result;
    if (exchange.code != 0 && faults.ignores(exchange.code)) {
        exchange.withhold = true;
        append("ignored by scenario");
    } else if (exchange.code != 0 && faults.refuses(exchange.code)) {
        result = SoapFault{"Receiver", {"Action"}, "the camera refused the operation"};
        append("refused by scenario");
    } else if (auto answered = operations(exchange.action, payload)) {
        result = std::move(*answered);
        if (const auto* answer = std::get_if<ServiceAnswer>(&result)) {
            append(answer->note);
        } else {
            const SoapFault& fault = std::get<SoapFault>(result);
            append("fault " + (fault.subcodes.empty() ? fault.code : fault.subcodes.back()) + ": " +
                   fault.reason);
        }
    } else {
        result = SoapFault{"Receiver", {"ActionNotSupported"}, "Optional Action Not Implemented"};
        append("not supported");
    }
    exchange.delaySeconds = exchange.code != 0 ? faults.answerDelay(exchange.code) : 0;
    // Logged after the service ran: the log shows what the camera made of it.
    exchange.loggedBody = loggedPayload(payload);
    if (!exchange.withhold) {
        exchange.response = soapResponse(result);
    }
    return exchange;
}

} // namespace vexlo::ipcsim::onvif
