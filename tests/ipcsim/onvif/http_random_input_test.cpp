#include "parser_checks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using vexlo::ipcsim::onvif::checks::checkParserInput;

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kSamples[] = {
    "POST /onvif/device_service HTTP/1.1\r\nHost: a\r\nContent-Length: 4\r\n\r\nbody"
    "GET / HTTP/1.1\r\nHost: a\r\n\r\n",
    "POST /u HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n"
    "3;e=1\r\nabc\r\n0\r\nT: 1\r\n\r\n",
    "GET /x HTTP/1.0\r\nX: a\r\n  folded\r\nConnection: keep-alive\r\n\r\n",
};

// Edits of the kinds that break parsers: flipped bits, line ends and
// separators put in, cuts.
Bytes mutate(Bytes bytes, std::mt19937& random)
{
    const auto below = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
    for (int edits = 1 + static_cast<int>(below(4)); edits > 0; --edits) {
        const std::size_t at = below(bytes.size() + 1);
        const auto where = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        switch (below(3)) {
        case 0:
            if (at < bytes.size())
                bytes[at] ^= static_cast<std::uint8_t>(1u << below(8));
            break;
        case 1: {
            static const char kPieces[] = "\r\n:; 0F9,";
            bytes.insert(where, static_cast<std::uint8_t>(kPieces[below(sizeof kPieces - 1)]));
            break;
        }
        default:
            bytes.erase(where, bytes.begin() + static_cast<std::ptrdiff_t>(
                                                   std::min(bytes.size(), at + below(8))));
            break;
        }
    }
    return bytes;
}

} // namespace

TEST(HttpParserRandomInput, SurvivesAnyBytesWithTheSameVerdictHoweverSplit)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes;
        if (round % 4 == 0) {
            bytes.resize(random() % 300);
            for (auto& byte : bytes)
                byte = static_cast<std::uint8_t>(random());
        } else {
            const std::string& sample = kSamples[random() % std::size(kSamples)];
            bytes = mutate(Bytes(sample.begin(), sample.end()), random);
        }
        const std::string problem = checkParserInput(bytes, static_cast<std::uint32_t>(random()));
        ASSERT_TRUE(problem.empty()) << problem << " (round " << round << ")";
    }
}
