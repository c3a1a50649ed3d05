#pragma once

#include <cstdint>
#include <map>
#include <mutex>

namespace vexlo::ipcsim {

// Which camera owns which loopback address, site-wide, so that modify IP can
// never give two cameras the same address. Addresses outside 127.0.0.0/8 (a
// factory address) are never claimed: many restored cameras may report
// 192.168.0.123 at once, as on a real site. Thread-safe.
class AddressBook
{
public:
    // True when `address` was free or is already `owner`'s; it is then `owner`'s.
    bool claim(std::uint32_t address, const void* owner);
    // Gives the address up if `owner` holds it.
    void release(std::uint32_t address, const void* owner);
    bool isTaken(std::uint32_t address, const void* except) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::uint32_t, const void*> m_owners;
};

} // namespace vexlo::ipcsim
