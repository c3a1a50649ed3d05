#pragma once

#include "onvif/device_messages.h"
#include "onvif/http_transport.h"
#include "onvif/soap_fault.h"

#include <optional>
#include <string>
#include <utility>
#include <variant>

// How one call to a camera ended: its answer, a refusal by the camera, a
// transport failure (nothing or no whole answer came back), or an answer we
// could not read. Callers decide on the kind; the texts are for the user.
namespace vexlo::onvif {

struct CameraRefusal
{
    int httpStatus = 0;
    std::optional<SoapFault> fault; // when the camera said why in SOAP
    bool loginRefused = false;      // the credentials were not accepted
    // The camera will not take further logins for a while: trying the next
    // credential pair would only prolong the lock.
    bool lockout = false;
    std::string text; // never holds a password

    bool operator==(const CameraRefusal&) const = default;
};

template <typename T> class Outcome
{
public:
    Outcome(T value) : m_content(std::move(value)) {}
    Outcome(CameraRefusal refusal) : m_content(std::move(refusal)) {}
    Outcome(TransportError error) : m_content(std::move(error)) {}
    Outcome(Malformed malformed) : m_content(std::move(malformed)) {}

    bool ok() const { return std::holds_alternative<T>(m_content); }
    const T* value() const { return std::get_if<T>(&m_content); }
    const CameraRefusal* refusal() const { return std::get_if<CameraRefusal>(&m_content); }
    const TransportError* transportError() const { return std::get_if<TransportError>(&m_content); }
    const Malformed* malformed() const { return std::get_if<Malformed>(&m_content); }

    bool loginRefused() const { return refusal() && refusal()->loginRefused; }
    bool lockout() const { return refusal() && refusal()->lockout; }

    // Why the call failed, in the user's terms; empty for an answer.
    std::string text() const
    {
        if (const CameraRefusal* r = refusal())
            return r->text;
        if (const TransportError* e = transportError())
            return e->text;
        if (const Malformed* m = malformed())
            return "unreadable answer from the camera: " + m->what;
        return {};
    }

    // The same failure as the outcome of another type; only for failures.
    template <typename U> Outcome<U> failureAs() &&
    {
        if (CameraRefusal* r = std::get_if<CameraRefusal>(&m_content))
            return std::move(*r);
        if (TransportError* e = std::get_if<TransportError>(&m_content))
            return std::move(*e);
        if (Malformed* m = std::get_if<Malformed>(&m_content))
            return std::move(*m);
        return Malformed{"an answer taken for a failure"};
    }

private:
    std::variant<T, CameraRefusal, TransportError, Malformed> m_content;
};

} // namespace vexlo::onvif
