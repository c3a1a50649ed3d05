#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The user names and passwords of a site's cameras. Real sites do not use one
// password everywhere: an ordered list of pairs is tried at login until one
// works, and a camera may have pairs of its own, named by its serial number or
// its address. Passwords never leave this data for any log or output line.
namespace vexlo::credentials {

struct LoginPair
{
    std::string user;
    std::string password;

    bool operator==(const LoginPair&) const = default;
};

// A camera's own pair: `serial` or `address` (dotted IPv4) names the camera;
// exactly one of them is set.
struct CameraLogin
{
    std::string serial;
    std::string address;
    LoginPair login;

    bool operator==(const CameraLogin&) const = default;
};

struct SiteCredentials
{
    std::vector<LoginPair> pairs; // tried in this order
    std::vector<CameraLogin> cameras;

    bool operator==(const SiteCredentials&) const = default;
};

// The most entries a site may have; a file with more is refused.
inline constexpr std::size_t kMaxLoginPairs = 1000;
inline constexpr std::size_t kMaxCameraLogins = 10000;

// What a site without a credentials file uses: admin with an empty password.
SiteCredentials defaultCredentials();

// `credentials` with the pairs of defaultCredentials() when it has none: an
// empty list of pairs means the default one.
SiteCredentials withDefaultPairs(SiteCredentials credentials);

// A dotted quad such as 192.168.1.64: four decimal numbers 0..255 without
// leading zeros, nothing else (no host names, no IPv6, no ports).
bool isDottedIPv4(std::string_view text);

// Why a set of credentials cannot be kept, or None. `index` is the entry's
// place (from 0) in `pairs` or `cameras`.
enum class CredentialsProblem
{
    None,
    TooManyPairs,
    TooManyCameras,
    PairWithoutUser,
    CameraWithoutUser,
    CameraWithoutKey,   // neither a serial nor an address
    CameraWithBothKeys, // a serial and an address
    CameraBadAddress,   // an address that is not a dotted quad
    NulInText,          // a NUL character, which no login call can pass on
};

struct CredentialsCheck
{
    CredentialsProblem problem = CredentialsProblem::None;
    bool inCameras = false; // the entry is in `cameras`, not in `pairs`
    std::size_t index = 0;
};

// The first problem of `credentials`, pairs before cameras.
CredentialsCheck checkCredentials(const SiteCredentials& credentials);

// The pairs to try on one camera, in order and without repeats: the camera's
// own entries (by serial, then by address), then `given` when there is one
// (the pair the caller was handed), then the site's pairs (the default pair
// when the site has none). Serials and addresses match exactly; an empty
// serial or address matches nothing. A pair with an empty user name is left out.
std::vector<LoginPair> loginCandidates(const SiteCredentials& site, std::string_view serial,
                                       std::string_view address,
                                       const std::optional<LoginPair>& given = {});

// The site's credentials as the running program holds them: the device
// libraries read them at every login, the login-accounts window replaces them.
// Thread safety: every member locks.
class CredentialStore
{
public:
    explicit CredentialStore(SiteCredentials credentials = defaultCredentials());

    SiteCredentials snapshot() const;
    void replace(SiteCredentials credentials);

private:
    mutable std::mutex m_mutex;
    SiteCredentials m_credentials;
};

} // namespace vexlo::credentials
