#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The address sequence of modify IP: which address the next device gets.
namespace vexlo {

struct AddressPlan
{
    std::string pcAddress; // the PC's own IPv4 address, dotted
    bool useStartAddress = false;
    std::string startAddress; // used when useStartAddress is set
};

// Tells whether a row of the device list already shows this address.
using AddressInUse = std::function<bool(std::string_view address)>;

// The first free address: numbers from 3 in the PC's subnet (or from the start
// address's last number in its subnet), never the PC's own last number, never
// an address a listed device has, never beyond 255. Nothing when the range is
// used up, when the start number is above 255, or when the address the
// sequence is built from is not of the form "prefix.number".
std::optional<std::string> nextFreeAddress(const AddressPlan& plan, const AddressInUse& inUse);

// "a.b.c." of "a.b.c.d": the text up to and including its last dot.
std::string addressPrefix(std::string_view address);

} // namespace vexlo
