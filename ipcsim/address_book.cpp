#include "ipcsim/address_book.h"

namespace vexlo::ipcsim {

bool AddressBook::claim(std::uint32_t address, const void* owner)
{
    std::lock_guard lock(m_mutex);
    const auto [it, inserted] = m_owners.emplace(address, owner);
    return inserted || it->second == owner;
}

void AddressBook::release(std::uint32_t address, const void* owner)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_owners.find(address);
    if (it != m_owners.end() && it->second == owner) {
        m_owners.erase(it);
    }
}

bool AddressBook::isTaken(std::uint32_t address, const void* except) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_owners.find(address);
    return it != m_owners.end() && it->second != except;
}

} // namespace vexlo::ipcsim
