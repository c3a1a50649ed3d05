#include "credentials/site_credentials.h"

#include <set>
#include <utility>

namespace vexlo::credentials {
namespace {

bool hasNul(std::string_view text)
{
    return text.find('\0') != std::string_view::npos;
}

bool hasNul(const LoginPair& pair)
{
    return hasNul(pair.user) || hasNul(pair.password);
}

CredentialsProblem cameraProblem(const CameraLogin& camera)
{
    if (hasNul(camera.login) || hasNul(camera.serial) || hasNul(camera.address))
        return CredentialsProblem::NulInText;
    if (camera.serial.empty() && camera.address.empty())
        return CredentialsProblem::CameraWithoutKey;
    if (!camera.serial.empty() && !camera.address.empty())
        return CredentialsProblem::CameraWithBothKeys;
    if (!camera.address.empty() && !isDottedIPv4(camera.address))
        return CredentialsProblem::CameraBadAddress;
    if (camera.login.user.empty())
        return CredentialsProblem::CameraWithoutUser;
    return CredentialsProblem::None;
}

// Collects pairs in order, each once. The views point into the caller's
// strings, which outlive the collection.
class CandidateList
{
public:
    void add(const LoginPair& pair)
    {
        if (pair.user.empty())
            return;
        if (!m_seen.emplace(pair.user, pair.password).second)
            return;
        m_pairs.push_back(pair);
    }
    std::vector<LoginPair> take() { return std::move(m_pairs); }

private:
    std::set<std::pair<std::string_view, std::string_view>> m_seen;
    std::vector<LoginPair> m_pairs;
};

} // namespace

SiteCredentials defaultCredentials()
{
    SiteCredentials credentials;
    credentials.pairs.push_back(LoginPair{"admin", ""});
    return credentials;
}

SiteCredentials withDefaultPairs(SiteCredentials credentials)
{
    if (credentials.pairs.empty())
        credentials.pairs = defaultCredentials().pairs;
    return credentials;
}

bool isDottedIPv4(std::string_view text)
{
    int parts = 0;
    std::size_t position = 0;
    while (true) {
        const std::size_t start = position;
        int value = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
            value = value * 10 + (text[position] - '0');
            if (value > 255)
                return false;
            ++position;
        }
        const std::size_t digits = position - start;
        if (digits == 0 || (digits > 1 && text[start] == '0'))
            return false;
        ++parts;
        if (position == text.size())
            return parts == 4;
        if (text[position] != '.' || parts == 4)
            return false;
        ++position;
    }
}

CredentialsCheck checkCredentials(const SiteCredentials& credentials)
{
    if (credentials.pairs.size() > kMaxLoginPairs)
        return {CredentialsProblem::TooManyPairs, false, kMaxLoginPairs};
    if (credentials.cameras.size() > kMaxCameraLogins)
        return {CredentialsProblem::TooManyCameras, true, kMaxCameraLogins};
    for (std::size_t index = 0; index < credentials.pairs.size(); ++index) {
        const LoginPair& pair = credentials.pairs[index];
        if (hasNul(pair))
            return {CredentialsProblem::NulInText, false, index};
        if (pair.user.empty())
            return {CredentialsProblem::PairWithoutUser, false, index};
    }
    for (std::size_t index = 0; index < credentials.cameras.size(); ++index) {
        if (const CredentialsProblem problem = cameraProblem(credentials.cameras[index]);
            problem != CredentialsProblem::None)
            return {problem, true, index};
    }
    return {};
}

std::vector<LoginPair> loginCandidates(const SiteCredentials& site, std::string_view serial,
                                       std::string_view address,
                                       const std::optional<LoginPair>& given)
{
    CandidateList candidates;
    if (!serial.empty()) {
        for (const CameraLogin& camera : site.cameras) {
            if (camera.serial == serial)
                candidates.add(camera.login);
        }
    }
    if (!address.empty()) {
        for (const CameraLogin& camera : site.cameras) {
            if (camera.address == address)
                candidates.add(camera.login);
        }
    }
    if (given)
        candidates.add(*given);
    static const SiteCredentials defaults = defaultCredentials();
    for (const LoginPair& pair : site.pairs.empty() ? defaults.pairs : site.pairs)
        candidates.add(pair);
    return candidates.take();
}

CredentialStore::CredentialStore(SiteCredentials credentials)
    : m_credentials(std::move(credentials))
{
}

SiteCredentials CredentialStore::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_credentials;
}

void CredentialStore::replace(SiteCredentials credentials)
{
    std::lock_guard lock(m_mutex);
    m_credentials = std::move(credentials);
}

} // namespace vexlo::credentials
