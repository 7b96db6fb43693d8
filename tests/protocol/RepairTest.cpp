// Putting right a frame with one damaged payload byte from its CRC-32, and refusing every other
// kind of damage.
#include <gtest/gtest.h>

#include <random>

#include "protocol/Frame.h"
#include "protocol/FrameDecoder.h"
#include "protocol/Repair.h"

using namespace corvane::protocol;

namespace {

std::vector<std::uint8_t> AnswerBytes(std::size_t length, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    Frame f;
    f.sequence = static_cast<std::uint16_t>(rng());
    f.command = Command::ReadAnswer;
    f.payload.resize(length);
    for (auto& b : f.payload) b = static_cast<std::uint8_t>(rng());
    return EncodeFrame(f);
}

// True when the repair proposed for `damaged` restores `intact` exactly.
bool RepairRestores(const std::vector<std::uint8_t>& intact, std::vector<std::uint8_t> damaged) {
    const auto repair = FindPayloadRepair(damaged);
    if (!repair) return false;
    damaged[kHeaderSize + repair->offset] = repair->value;
    return damaged == intact;
}

}  // namespace

TEST(PayloadRepair, EverySingleDamagedPayloadByteIsFoundAndPutRight) {
    for (std::size_t length : {16u, 64u, 137u}) {
        const auto intact = AnswerBytes(length, length);
        EXPECT_FALSE(FindPayloadRepair(intact)) << "an intact frame needs no repair";
        for (std::size_t at = 0; at < length; ++at) {
            for (std::uint8_t error : {0x01, 0x80, 0x5A, 0xFF}) {
                auto damaged = intact;
                damaged[kHeaderSize + at] ^= error;
                ASSERT_TRUE(RepairRestores(intact, damaged)) << "length " << length << " offset " << at;
            }
        }
    }
    // Every error value, at the first, a middle and the last byte.
    const auto intact = AnswerBytes(64, 9);
    for (std::size_t at : {0u, 31u, 63u}) {
        for (int error = 1; error < 256; ++error) {
            auto damaged = intact;
            damaged[kHeaderSize + at] ^= static_cast<std::uint8_t>(error);
            ASSERT_TRUE(RepairRestores(intact, damaged)) << "offset " << at << " error " << error;
        }
    }
    // The largest block: a damaged byte near either end.
    const auto large = AnswerBytes(kMaxBlockData, 3);
    for (std::size_t at : {std::size_t{0}, std::size_t{700}, kMaxBlockData - 1}) {
        auto damaged = large;
        damaged[kHeaderSize + at] ^= 0x24;
        EXPECT_TRUE(RepairRestores(large, damaged)) << "offset " << at;
    }
}

TEST(PayloadRepair, DamageTheRepairCannotExplainIsLeftAlone) {
    const auto intact = AnswerBytes(64, 5);
    // In the CRC field: the payload is sound, but nothing in it may be changed.
    for (std::size_t at = intact.size() - kTrailerSize; at < intact.size(); ++at) {
        for (int error = 1; error < 256; ++error) {
            auto damaged = intact;
            damaged[at] ^= static_cast<std::uint8_t>(error);
            ASSERT_FALSE(FindPayloadRepair(damaged)) << "CRC byte " << at << " error " << error;
        }
    }
    // A lost byte anywhere after the header: the frame swallowed the next frame's start byte.
    for (std::size_t at = kHeaderSize; at < intact.size(); ++at) {
        auto damaged = intact;
        damaged.erase(damaged.begin() + static_cast<std::ptrdiff_t>(at));
        damaged.push_back(kStartByte);
        ASSERT_FALSE(FindPayloadRepair(damaged)) << "byte lost at " << at;
    }
    // Two damaged bytes.
    std::mt19937_64 rng(77);
    for (int i = 0; i < 300; ++i) {
        auto damaged = intact;
        const std::size_t a = kHeaderSize + rng() % 64;
        std::size_t b = kHeaderSize + rng() % 68;
        if (b == a) b = kHeaderSize + (a - kHeaderSize + 1) % 64;
        damaged[a] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        damaged[b] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        ASSERT_FALSE(FindPayloadRepair(damaged)) << "bytes " << a << " and " << b;
    }
    // Not a whole frame.
    EXPECT_FALSE(FindPayloadRepair(std::vector<std::uint8_t>(intact.begin(), intact.end() - 1)));
    EXPECT_FALSE(FindPayloadRepair({}));
}

// The decoder hands over a damaged frame's bytes as they came, which is what a repair needs.
TEST(PayloadRepair, TheDecoderHandsOverTheDamagedFrame) {
    const auto intact = AnswerBytes(40, 11);
    auto damaged = intact;
    damaged[kHeaderSize + 17] ^= 0x10;
    FrameDecoder decoder;
    decoder.Feed(damaged);
    FrameDecoder::Event event;
    ASSERT_TRUE(decoder.Next(event));
    ASSERT_EQ(event.kind, FrameDecoder::EventKind::BadCrc);
    EXPECT_EQ(event.damaged, damaged);
    EXPECT_TRUE(RepairRestores(intact, event.damaged));
}
