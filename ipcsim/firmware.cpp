#include "ipcsim/firmware.h"

#include "ipcsim/crc32.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

namespace vexlo::ipcsim {
namespace {

constexpr char kMagic[8] = {'V', 'X', 'L', 'O', 'F', 'W', 'S', 'M'};
constexpr std::uint16_t kFormatVersion = 1;
constexpr std::size_t kPayloadSizeAt = 16;
constexpr std::size_t kPayloadCrcAt = 24;
constexpr std::size_t kHeaderCrcAt = 28;
constexpr std::size_t kVersionAt = 32;
// Multiple of 4, so the filler is the same however the payload is cut.
constexpr std::size_t kChunkSize = 64 * 1024;

using Sink = std::function<void(const char*, std::size_t)>;

void putLittle(std::uint8_t* at, std::uint64_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint64_t getLittle(const std::uint8_t* at, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= std::uint64_t{at[i]} << (8 * i);
    }
    return value;
}

// Deterministic filler: a xorshift stream seeded by the version, so files of
// different versions differ throughout, as real firmware does.
class Filler
{
public:
    explicit Filler(std::string_view version)
        : m_state(crc32Update(0, version.data(), version.size()) ^ 0x9E3779B9u)
    {
        if (m_state == 0) {
            m_state = 1;
        }
    }

    void fill(char* out, std::size_t size)
    {
        for (std::size_t i = 0; i < size; i += 4) {
            m_state ^= m_state << 13;
            m_state ^= m_state >> 17;
            m_state ^= m_state << 5;
            const std::size_t n = std::min<std::size_t>(4, size - i);
            for (std::size_t k = 0; k < n; ++k) {
                out[i + k] = static_cast<char>(m_state >> (8 * k));
            }
        }
    }

private:
    std::uint32_t m_state;
};

void forEachPayloadChunk(std::string_view version, std::uint64_t payloadSize, const Sink& sink)
{
    Filler filler(version);
    std::vector<char> chunk(kChunkSize);
    for (std::uint64_t done = 0; done < payloadSize;) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, payloadSize - done));
        filler.fill(chunk.data(), n);
        sink(chunk.data(), n);
        done += n;
    }
}

std::array<std::uint8_t, kFirmwareHeaderSize>
makeHeader(std::string_view version, std::uint64_t payloadSize, std::uint32_t payloadCrc)
{
    std::array<std::uint8_t, kFirmwareHeaderSize> header{};
    std::memcpy(header.data(), kMagic, sizeof kMagic);
    putLittle(header.data() + 8, kFormatVersion, 2);
    putLittle(header.data() + 10, kFirmwareHeaderSize, 2);
    putLittle(header.data() + kPayloadSizeAt, payloadSize, 8);
    putLittle(header.data() + kPayloadCrcAt, payloadCrc, 4);
    std::memcpy(header.data() + kVersionAt, version.data(), version.size());
    putLittle(header.data() + kHeaderCrcAt, crc32Update(0, header.data(), header.size()), 4);
    return header;
}

// Produces the whole file through `sink`. The payload is generated twice (once
// for its checksum, once to emit it), which costs far less than holding it.
void writeFirmware(std::string_view version, std::uint64_t fileSize, const Sink& sink)
{
    if (const auto problem = firmwareVersionProblem(version); !problem.empty()) {
        throw FirmwareError(problem);
    }
    if (fileSize < kFirmwareHeaderSize) {
        throw FirmwareError("a firmware file needs at least " +
                            std::to_string(kFirmwareHeaderSize) + " bytes, not " +
                            std::to_string(fileSize));
    }
    if (fileSize > kMaxFirmwareFileSize) {
        throw FirmwareError("a firmware file may have at most " +
                            std::to_string(kMaxFirmwareFileSize) + " bytes, not " +
                            std::to_string(fileSize));
    }
    const std::uint64_t payloadSize = fileSize - kFirmwareHeaderSize;
    std::uint32_t crc = 0;
    forEachPayloadChunk(version, payloadSize, [&crc](const char* data, std::size_t size) {
        crc = crc32Update(crc, data, size);
    });
    const auto header = makeHeader(version, payloadSize, crc);
    sink(reinterpret_cast<const char*>(header.data()), header.size());
    forEachPayloadChunk(version, payloadSize, sink);
}

} // namespace

std::string firmwareVersionProblem(std::string_view version)
{
    if (version.empty()) {
        return "the firmware version is empty";
    }
    if (version.size() >= kFirmwareVersionField) {
        return "the firmware version \"" + std::string(version) + "\" is longer than " +
               std::to_string(kFirmwareVersionField - 1) + " characters";
    }
    for (const char c : version) {
        if (c < 0x20 || c > 0x7E || c == '"') {
            return "the firmware version \"" + std::string(version) +
                   "\" may hold only printable ASCII characters and no double quote";
        }
    }
    return {};
}

void makeFirmwareFile(const std::filesystem::path& file, std::string_view version,
                      std::uint64_t fileSize)
{
    std::filesystem::path partial = file;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw FirmwareError("cannot create " + partial.string());
        }
        try {
            writeFirmware(version, fileSize, [&out](const char* data, std::size_t size) {
                out.write(data, static_cast<std::streamsize>(size));
            });
        } catch (...) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw;
        }
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw FirmwareError("cannot write " + partial.string());
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, file, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw FirmwareError("cannot create " + file.string() + ": " + error.message());
    }
}

std::string makeFirmwareImage(std::string_view version, std::uint64_t fileSize)
{
    std::string image;
    writeFirmware(version, fileSize,
                  [&image](const char* data, std::size_t size) { image.append(data, size); });
    return image;
}

void FirmwareChecker::feed(const void* data, std::size_t size)
{
    if (size == 0) {
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (m_received < kFirmwareHeaderSize) {
        const auto take = static_cast<std::size_t>(
            std::min<std::uint64_t>(size, kFirmwareHeaderSize - m_received));
        std::memcpy(m_header.data() + m_received, bytes, take);
        m_received += take;
        bytes += take;
        size -= take;
        if (m_received == kFirmwareHeaderSize) {
            checkHeader();
        }
    }
    if (size == 0) {
        return;
    }
    const std::uint64_t payloadBefore = m_received - kFirmwareHeaderSize;
    m_received += size;
    if (!m_refusal.empty()) {
        return;
    }
    if (size > m_payloadSize - payloadBefore) {
        m_refusal = "the file is longer than its header says";
        return;
    }
    m_payloadCrc = crc32Update(m_payloadCrc, bytes, size);
}

void FirmwareChecker::checkHeader()
{
    m_headerChecked = true;
    if (std::memcmp(m_header.data(), kMagic, sizeof kMagic) != 0) {
        m_refusal = "not a firmware file made by make-firmware";
        return;
    }
    if (getLittle(m_header.data() + 8, 2) != kFormatVersion ||
        getLittle(m_header.data() + 10, 2) != kFirmwareHeaderSize) {
        m_refusal = "unknown firmware file format version";
        return;
    }
    auto copy = m_header;
    putLittle(copy.data() + kHeaderCrcAt, 0, 4);
    if (crc32Update(0, copy.data(), copy.size()) != getLittle(m_header.data() + kHeaderCrcAt, 4)) {
        m_refusal = "the firmware file header is damaged";
        return;
    }
    m_payloadSize = getLittle(m_header.data() + kPayloadSizeAt, 8);
    m_expectedCrc = static_cast<std::uint32_t>(getLittle(m_header.data() + kPayloadCrcAt, 4));
    const auto* field = reinterpret_cast<const char*>(m_header.data() + kVersionAt);
    const auto* end = std::find(field, field + kFirmwareVersionField, '\0');
    const std::string_view version(field, static_cast<std::size_t>(end - field));
    if (m_payloadSize > kMaxFirmwareFileSize - kFirmwareHeaderSize ||
        !firmwareVersionProblem(version).empty()) {
        m_refusal = "the firmware file header is damaged";
        return;
    }
    m_version = version;
}

std::optional<std::uint64_t> FirmwareChecker::announcedFileSize() const
{
    if (!m_headerChecked || m_version.empty()) {
        return std::nullopt;
    }
    return m_payloadSize + kFirmwareHeaderSize;
}

FirmwareVerdict FirmwareChecker::finish() const
{
    FirmwareVerdict verdict;
    if (!m_refusal.empty()) {
        verdict.reason = m_refusal;
    } else if (!m_headerChecked) {
        verdict.reason = "the file is shorter than a firmware header";
    } else if (m_received != m_payloadSize + kFirmwareHeaderSize) {
        verdict.reason = "the file is shorter than its header says";
    } else if (m_payloadCrc != m_expectedCrc) {
        verdict.reason = "the firmware payload is damaged";
    } else {
        verdict.accepted = true;
        verdict.version = m_version;
    }
    return verdict;
}

FirmwareVerdict checkFirmwareFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {false, {}, "cannot open " + file.string()};
    }
    FirmwareChecker checker;
    std::vector<char> chunk(kChunkSize);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        checker.feed(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {false, {}, "cannot read " + file.string()};
    }
    return checker.finish();
}

} // namespace vexlo::ipcsim
