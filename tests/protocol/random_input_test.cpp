#include "input_checks.h"
#include "samples.h"

#include "protocol/message.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace vexlo::protocol;

namespace {

using Bytes = std::vector<std::uint8_t>;

class Mutator
{
public:
    explicit Mutator(std::uint32_t seed) : m_random(seed) {}

    Bytes randomBytes(std::size_t maxSize)
    {
        Bytes bytes(below(maxSize + 1));
        for (auto& byte : bytes)
            byte = static_cast<std::uint8_t>(m_random());
        return bytes;
    }

    // A few edits of the kinds that break parsers: flipped bits, bytes set to
    // extremes (lengths of 0 or 0xFF..), cuts, insertions, duplications.
    Bytes mutate(Bytes bytes)
    {
        const std::size_t edits = 1 + below(4);
        for (std::size_t i = 0; i < edits; ++i) {
            const std::size_t at = bytes.empty() ? 0 : below(bytes.size());
            switch (below(6)) {
            case 0:
                if (!bytes.empty())
                    bytes[at] ^= static_cast<std::uint8_t>(1u << below(8));
                break;
            case 1:
                if (!bytes.empty())
                    bytes[at] = below(2) ? 0xFF : 0x00;
                break;
            case 2:
                bytes.resize(at);
                break;
            case 3:
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             static_cast<std::uint8_t>(m_random()));
                break;
            case 4:
                if (!bytes.empty())
                    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            default: {
                const Bytes copy = bytes;
                bytes.insert(bytes.end(), copy.begin(), copy.end());
                break;
            }
            }
        }
        return bytes;
    }

    std::size_t below(std::size_t bound) { return bound == 0 ? 0 : m_random() % bound; }
    std::uint32_t next() { return m_random(); }

private:
    std::mt19937 m_random;
};

constexpr int kRounds = 40000;

TEST(RandomInput, DatagramDecoderSurvivesRandomAndMutatedInput)
{
    Mutator mutator(20260101);
    std::vector<Bytes> valid;
    for (const Datagram& datagram : samples::everyDatagram())
        valid.push_back(samples::encodeDatagram(datagram));

    for (int round = 0; round < kRounds; ++round) {
        Bytes input;
        if (round % 4 == 0) {
            input = mutator.randomBytes(600);
        } else {
            input = mutator.mutate(valid[mutator.below(valid.size())]);
        }
        const std::string problem = checks::checkDatagramInput(input);
        ASSERT_TRUE(problem.empty()) << problem << " (round " << round << ")";
    }
}

TEST(RandomInput, FrameReaderAndMessageDecodersSurviveRandomAndMutatedInput)
{
    Mutator mutator(19700101);
    std::vector<Bytes> valid;
    for (const Message& message : samples::everyMessage())
        valid.push_back(encodeMessage(message, 5));

    for (int round = 0; round < kRounds; ++round) {
        Bytes input;
        switch (round % 4) {
        case 0:
            input = mutator.randomBytes(200);
            break;
        case 1: {
            // A type byte followed by a mutated body, to reach each body decoder directly.
            const Bytes& frame = valid[mutator.below(valid.size())];
            input.push_back(frame[5]);
            const Bytes body = mutator.mutate(Bytes(frame.begin() + kFrameHeaderSize, frame.end()));
            input.insert(input.end(), body.begin(), body.end());
            break;
        }
        default: {
            // Two valid frames in a row, then mutated, to reach the reader's resync paths.
            Bytes stream = valid[mutator.below(valid.size())];
            const Bytes& second = valid[mutator.below(valid.size())];
            stream.insert(stream.end(), second.begin(), second.end());
            input = mutator.mutate(std::move(stream));
            break;
        }
        }
        const std::string problem = checks::checkSessionInput(input, mutator.next());
        ASSERT_TRUE(problem.empty()) << problem << " (round " << round << ")";
    }
}

TEST(RandomInput, ValidInputPassesTheChecksUnchanged)
{
    // The checks themselves must accept what the encoders produce.
    for (const Message& message : samples::everyMessage()) {
        const Bytes frame = encodeMessage(message, 1);
        EXPECT_EQ(checks::checkSessionInput(frame, 42), "");
    }
    for (const Datagram& datagram : samples::everyDatagram())
        EXPECT_EQ(checks::checkDatagramInput(samples::encodeDatagram(datagram)), "");
}

} // namespace
