#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The 8-bit text of profile fields, device records and requests is GBK, the code
// page of a Chinese Windows system, so config.dat moves between systems
// unchanged. Inside the program text is UTF-16.
//
// Every copy into a fixed field is cut to fit and NUL-terminated; a cut never
// splits a GBK character or a UTF-16 surrogate pair.
namespace vexlo {

// The text of a fixed 8-bit field: up to its first NUL, at most `width` bytes.
std::string_view fieldText(const char* field, std::size_t width);
template <std::size_t N> std::string_view fieldText(const char (&field)[N])
{
    return fieldText(field, N);
}

// GBK to UTF-16. Bytes that are not GBK become U+FFFD.
std::u16string gbkToUtf16(std::string_view gbk);
// UTF-16 to GBK. Characters GBK cannot hold become '?'.
std::string utf16ToGbk(std::u16string_view text);

// Length of the longest prefix of `gbk` of at most `maxBytes` bytes that ends on
// a character boundary.
std::size_t gbkPrefixLength(std::string_view gbk, std::size_t maxBytes);

// Clears the whole field, then copies at most width - 1 bytes of `gbk` (cut on a
// character boundary) and terminates it.
void copyToField(char* field, std::size_t width, std::string_view gbk);
template <std::size_t N> void copyToField(char (&field)[N], std::string_view gbk)
{
    copyToField(field, N, gbk);
}

// Converts `text` to GBK and copies it like copyToField.
void copyUtf16ToField(char* field, std::size_t width, std::u16string_view text);
template <std::size_t N> void copyUtf16ToField(char (&field)[N], std::u16string_view text)
{
    copyUtf16ToField(field, N, text);
}

// Clears the wide field, then copies at most units - 1 units (never half a
// surrogate pair) and terminates it.
void copyToWideField(char16_t* field, std::size_t units, std::u16string_view text);
template <std::size_t N> void copyToWideField(char16_t (&field)[N], std::u16string_view text)
{
    copyToWideField(field, N, text);
}

// The text of a fixed wide field, up to its first NUL.
std::u16string_view wideFieldText(const char16_t* field, std::size_t units);
template <std::size_t N> std::u16string_view wideFieldText(const char16_t (&field)[N])
{
    return wideFieldText(field, N);
}

// UTF-8 <-> UTF-16 for the front ends and logs.
std::string utf16ToUtf8(std::u16string_view text);
// A number in decimal digits, as UTF-16 ("-12" for -12).
std::u16string decimalUtf16(long long value);
std::u16string utf8ToUtf16(std::string_view text);

} // namespace vexlo
