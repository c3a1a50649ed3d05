#include "platform/codepage.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace vexlo {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

bool isGbkLead(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

bool isGbkTrail(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Bytes of the GBK character that starts at `pos`: two for a lead byte with a
// trail byte after it, otherwise one (an ASCII byte, or a byte that is not GBK).
std::size_t gbkCharLength(std::string_view gbk, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(gbk[pos]);
    if (isGbkLead(lead) && pos + 1 < gbk.size() &&
        isGbkTrail(static_cast<unsigned char>(gbk[pos + 1]))) {
        return 2;
    }
    return 1;
}

// One conversion descriptor per thread and direction: a descriptor keeps shift
// state and must not be shared between threads.
class Converter
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns false and leaves `in` at the
    // offending input when it stops early (errno tells why).
    bool convert(const char*& in, std::size_t& inLeft, std::string& out)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[1024];
        while (inLeft > 0) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            in = inPtr;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result == static_cast<std::size_t>(-1) && error != E2BIG) {
                errno = error;
                return false;
            }
        }
        return true;
    }

private:
    iconv_t m_cd;
};

Converter& gbkDecoder()
{
    thread_local Converter converter(kUtf16Native, "GBK");
    return converter;
}

Converter& gbkEncoder()
{
    thread_local Converter converter("GBK", kUtf16Native);
    return converter;
}

void appendUnits(std::u16string& out, const std::string& bytes)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size() / 2);
    std::memcpy(out.data() + start, bytes.data(), (bytes.size() / 2) * 2);
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void appendUtf16(std::u16string& out, char32_t code)
{
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
    } else {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at `pos`; returns its length, or 0 with the
// replacement character when the bytes there are not well-formed UTF-8 (then
// one byte is skipped).
std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

std::string_view fieldText(const char* field, std::size_t width)
{
    if (field == nullptr) {
        return {};
    }
    const void* nul = std::memchr(field, '\0', width);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string_view(field, length);
}

std::u16string gbkToUtf16(std::string_view gbk)
{
    std::u16string out;
    Converter& decoder = gbkDecoder();
    if (!decoder.valid()) {
        // No GBK converter on this system: keep ASCII, mark the rest.
        for (const char c : gbk) {
            out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c)
                                                               : kReplacement);
        }
        return out;
    }
    const char* in = gbk.data();
    std::size_t inLeft = gbk.size();
    std::string bytes;
    while (inLeft > 0) {
        bytes.clear();
        const bool complete = decoder.convert(in, inLeft, bytes);
        appendUnits(out, bytes);
        if (complete) {
            break;
        }
        // A byte pair that looks like a GBK character but has none behind it is
        // one unknown character; anything else is one stray byte.
        const std::size_t position = gbk.size() - inLeft;
        const std::size_t skip = std::min(gbkCharLength(gbk, position), inLeft);
        out.push_back(kReplacement);
        in += skip;
        inLeft -= skip;
    }
    return out;
}

std::string utf16ToGbk(std::u16string_view text)
{
    std::string out;
    Converter& encoder = gbkEncoder();
    if (!encoder.valid()) {
        for (const char16_t unit : text) {
            out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
        return out;
    }
    const char* in = reinterpret_cast<const char*>(text.data());
    std::size_t inLeft = text.size() * sizeof(char16_t);
    while (inLeft > 0) {
        const bool complete = encoder.convert(in, inLeft, out);
        if (complete) {
            break;
        }
        // A character GBK cannot hold, or half a surrogate pair: one '?'.
        const std::size_t unit = text.size() - inLeft / sizeof(char16_t);
        std::size_t skipUnits = 1;
        if (isHighSurrogate(text[unit]) && unit + 1 < text.size() &&
            isLowSurrogate(text[unit + 1])) {
            skipUnits = 2;
        }
        out.push_back('?');
        const std::size_t skip = std::min(skipUnits * sizeof(char16_t), inLeft);
        in += skip;
        inLeft -= skip;
    }
    return out;
}

std::size_t gbkPrefixLength(std::string_view gbk, std::size_t maxBytes)
{
    std::size_t length = 0;
    while (length < gbk.size()) {
        const std::size_t next = gbkCharLength(gbk, length);
        if (length + next > maxBytes) {
            break;
        }
        length += next;
    }
    return length;
}

void copyToField(char* field, std::size_t width, std::string_view gbk)
{
    if (field == nullptr || width == 0) {
        return;
    }
    std::memset(field, 0, width);
    const std::size_t length = gbkPrefixLength(gbk, width - 1);
    std::memcpy(field, gbk.data(), length);
}

void copyUtf16ToField(char* field, std::size_t width, std::u16string_view text)
{
    copyToField(field, width, utf16ToGbk(text));
}

void copyToWideField(char16_t* field, std::size_t units, std::u16string_view text)
{
    if (field == nullptr || units == 0) {
        return;
    }
    std::fill(field, field + units, u'\0');
    std::size_t length = std::min(text.size(), units - 1);
    if (length > 0 && length < text.size() && isHighSurrogate(text[length - 1]) &&
        isLowSurrogate(text[length])) {
        --length;
    }
    std::copy_n(text.data(), length, field);
}

std::u16string_view wideFieldText(const char16_t* field, std::size_t units)
{
    if (field == nullptr) {
        return {};
    }
    const char16_t* end = std::find(field, field + units, u'\0');
    return std::u16string_view(field, static_cast<std::size_t>(end - field));
}

std::string utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            const char32_t code = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                  (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            appendUtf8(out, code);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t code = 0;
        const std::size_t length = decodeUtf8(text, pos, code);
        if (length == 0) {
            out.push_back(kReplacement);
            ++pos;
        } else {
            appendUtf16(out, code);
            pos += length;
        }
    }
    return out;
}

std::u16string decimalUtf16(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace vexlo
