#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "protocol/Crc.h"
#include "protocol/Frame.h"
#include "protocol/FrameDecoder.h"

using namespace corvane::protocol;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<Frame> DecodeAll(FrameDecoder& d, int* badCrcs = nullptr) {
    std::vector<Frame> frames;
    FrameDecoder::Event e;
    while (d.Next(e)) {
        if (e.kind == FrameDecoder::EventKind::Frame)
            frames.push_back(e.frame);
        else if (badCrcs)
            ++*badCrcs;
    }
    return frames;
}

Frame RandomFrame(std::mt19937_64& rng, std::size_t maxPayload) {
    Frame f;
    f.sequence = static_cast<std::uint16_t>(rng());
    f.command = static_cast<Command>(0x01 + rng() % 6);
    f.payload.resize(rng() % (maxPayload + 1));
    for (auto& b : f.payload) b = static_cast<std::uint8_t>(rng());
    return f;
}

}  // namespace

TEST(Crc, KnownCheckValues) {
    EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc8(Bytes("123456789")), 0xF4);
    EXPECT_EQ(Crc32({}), 0u);
}

TEST(Frame, LayoutOfAReadRequest) {
    auto bytes = EncodeFrame(MakeRead(0x1234, 0x8000, 0x0080));
    ASSERT_EQ(bytes.size(), kFrameOverhead + 4);
    EXPECT_EQ(bytes[0], kStartByte);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0x04);  // payload length
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(bytes[4], 0x34);  // sequence
    EXPECT_EQ(bytes[5], 0x02);  // read
    EXPECT_EQ(bytes[6], Crc8(std::span<const std::uint8_t>(bytes.data() + 1, 5)));
    EXPECT_EQ(bytes[7], 0x80);
    EXPECT_EQ(bytes[8], 0x00);
    EXPECT_EQ(bytes[9], 0x00);
    EXPECT_EQ(bytes[10], 0x80);
    const std::uint32_t crc = Crc32(std::span<const std::uint8_t>(bytes.data() + 1, 10));
    EXPECT_EQ(GetU32(bytes, 11), crc);
}

TEST(Frame, A512ByteBlockWriteAndAFlashWriteFitInOneFrame) {
    std::vector<std::uint8_t> block(512, 0x5A);
    FrameDecoder d;
    d.Feed(EncodeFrame(MakeWrite(1, 0x9000, block)));
    d.Feed(EncodeFrame(MakeFlashWrite(2, 0x4000, std::vector<std::uint8_t>(kMaxBlockData, 1))));
    auto frames = DecodeAll(d);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].payload.size(), 514u);
    EXPECT_EQ(frames[1].payload.size(), 4 + kMaxBlockData);
    EXPECT_EQ(GetU32(frames[1].payload, 0), 0x4000u);
}

TEST(Frame, PayloadHelpersRoundTrip) {
    auto req = ParseBlockRequest(MakeMonitorStart(3, 0x1400, 72).payload);
    ASSERT_TRUE(req);
    EXPECT_EQ(req->address, 0x1400);
    EXPECT_EQ(req->length, 72);
    EXPECT_FALSE(ParseBlockRequest(std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(ParseBlockRequest(std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(ParseIdentifyAnswer(std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(ParseIdentifyAnswer(std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    auto id = ParseIdentifyAnswer(MakeIdentifyAnswer(9, {175, 42, 1024}).payload);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->moduleId, 175);
    EXPECT_EQ(id->firmwareVersion, 42);
    EXPECT_EQ(id->maxBlockData, 1024);
}

TEST(FrameDecoder, DecodesFramesFedOneByteAtATimeAndInOneGo) {
    std::mt19937_64 rng(7);
    std::vector<Frame> sent;
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 200; ++i) {
        sent.push_back(RandomFrame(rng, 600));
        EncodeFrame(sent.back(), stream);
    }
    FrameDecoder whole;
    whole.Feed(stream);
    EXPECT_EQ(DecodeAll(whole), sent);

    FrameDecoder bytewise;
    std::vector<Frame> got;
    for (auto b : stream) {
        bytewise.Feed(std::span<const std::uint8_t>(&b, 1));
        auto more = DecodeAll(bytewise);
        got.insert(got.end(), more.begin(), more.end());
    }
    EXPECT_EQ(got, sent);
    EXPECT_EQ(bytewise.Buffered(), 0u);
}

// The property the whole link rests on: no single damaged byte turns a frame into accepted
// data. Every position, every one of the 255 wrong values.
TEST(FrameDecoder, EverySingleByteCorruptionOfAFrameIsRejected) {
    std::mt19937_64 rng(11);
    std::vector<Frame> frames;
    for (std::size_t size : {0u, 1u, 4u, 72u, 130u, 514u}) {
        Frame f = RandomFrame(rng, 0);
        f.payload.resize(size);
        for (auto& b : f.payload) b = static_cast<std::uint8_t>(rng());
        frames.push_back(f);
    }
    // Payloads full of start bytes and header look-alikes are the hardest case for resync.
    frames.push_back(Frame{0xA5A5, Command::Write, std::vector<std::uint8_t>(40, kStartByte)});
    for (const Frame& f : frames) {
        const auto good = EncodeFrame(f);
        for (std::size_t pos = 0; pos < good.size(); ++pos) {
            for (int delta = 1; delta < 256; ++delta) {
                auto bad = good;
                bad[pos] = static_cast<std::uint8_t>(bad[pos] ^ delta);
                FrameDecoder d;
                d.Feed(bad);
                ASSERT_TRUE(DecodeAll(d).empty()) << "payload " << f.payload.size() << " byte " << pos
                                                  << " xor " << delta;
            }
        }
    }
}

TEST(FrameDecoder, ReportsBadCrcWithSequenceWhenOnlyThePayloadIsDamaged) {
    auto bytes = EncodeFrame(MakeWrite(0x0102, 0x400, std::vector<std::uint8_t>{1, 2, 3, 4}));
    bytes[9] ^= 0x10;
    FrameDecoder d;
    d.Feed(bytes);
    FrameDecoder::Event e;
    ASSERT_TRUE(d.Next(e));
    EXPECT_EQ(e.kind, FrameDecoder::EventKind::BadCrc);
    EXPECT_EQ(e.frame.sequence, 0x0102);
    EXPECT_EQ(e.frame.command, Command::Write);
    EXPECT_FALSE(d.Next(e));
}

TEST(FrameDecoder, FindsTheNextFrameAfterAFrameThatLostAByte) {
    Frame a = MakeRead(1, 0x8000, 128);
    Frame b{2, Command::ReadAnswer, std::vector<std::uint8_t>(128, 0x33)};
    auto first = EncodeFrame(b);
    first.erase(first.begin() + 20);  // a byte dropped inside the first frame
    std::vector<std::uint8_t> stream = first;
    EncodeFrame(a, stream);
    EncodeFrame(b, stream);
    FrameDecoder d;
    d.Feed(stream);
    int bad = 0;
    auto frames = DecodeAll(d, &bad);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], a);
    EXPECT_EQ(frames[1], b);
    EXPECT_EQ(bad, 1);
}

// The length check at its bound: the largest payload is a frame, one byte more is not even
// waited for.
TEST(FrameDecoder, TakesTheLargestPayloadAndRejectsALengthBeyondItAtOnce) {
    FrameDecoder d;
    const Frame largest{4, Command::ReadAnswer, std::vector<std::uint8_t>(kMaxPayload, 0x3C)};
    d.Feed(EncodeFrame(largest));
    for (std::size_t length : {kMaxPayload + 1, std::size_t{0xFFFF}}) {
        std::vector<std::uint8_t> h{kStartByte, static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(length & 0xFF), 0, 1, 0x02};
        h.push_back(Crc8(std::span<const std::uint8_t>(h.data() + 1, 5)));
        d.Feed(h);
    }
    d.Feed(EncodeFrame(MakeIdentify(5)));
    auto frames = DecodeAll(d);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], largest);
    EXPECT_EQ(frames[1].sequence, 5);
    EXPECT_EQ(d.GetStats().badHeaders, 2u);
}

// A start byte whose header check passes by chance and claims more than the receiver can be
// waiting for is passed over at once: the short frames behind it are not held up.
TEST(FrameDecoder, AClaimBeyondTheLengthLimitHoldsNothingUp) {
    FrameDecoder d;
    d.SetLengthLimit(16);
    std::vector<std::uint8_t> h{kStartByte, 0x01, 0xF4, 0x12, 0x34, 0x82};  // claims 500 bytes
    h.push_back(Crc8(std::span<const std::uint8_t>(h.data() + 1, 5)));
    d.Feed(h);
    d.Feed(EncodeFrame(Frame{7, Command::ReadAnswer, std::vector<std::uint8_t>(16, 0x3C)}));
    auto frames = DecodeAll(d);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].sequence, 7);
    EXPECT_EQ(d.GetStats().badHeaders, 1u);
    // Without the limit the same bytes wait for the 500 claimed.
    FrameDecoder open;
    open.Feed(h);
    open.Feed(EncodeFrame(Frame{7, Command::ReadAnswer, std::vector<std::uint8_t>(16, 0x3C)}));
    EXPECT_TRUE(DecodeAll(open).empty());
}

// A noisy line: garbage between frames, dropped and corrupted bytes. Every frame that comes out
// is one that was sent, in order, and undamaged frames are all recovered.
TEST(FrameDecoder, ResynchronisesOnANoisyStreamAndNeverInventsFrames) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<Frame> sent;
    std::vector<bool> intact;
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 3000; ++i) {
        Frame f = RandomFrame(rng, 200);
        f.sequence = static_cast<std::uint16_t>(i);  // unique, so order can be checked
        auto bytes = EncodeFrame(f);
        bool ok = true;
        if (u(rng) < 0.2) {  // garbage before the frame, often with start bytes in it
            int n = 1 + static_cast<int>(rng() % 30);
            for (int k = 0; k < n; ++k)
                stream.push_back(u(rng) < 0.3 ? kStartByte : static_cast<std::uint8_t>(rng()));
        }
        if (u(rng) < 0.1) {
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(rng() % bytes.size()));
            ok = false;
        } else if (u(rng) < 0.1) {
            bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
            ok = false;
        }
        stream.insert(stream.end(), bytes.begin(), bytes.end());
        sent.push_back(f);
        intact.push_back(ok);
    }
    FrameDecoder d;
    std::vector<Frame> got;
    for (std::size_t at = 0; at < stream.size();) {
        std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + rng() % 300);
        d.Feed(std::span<const std::uint8_t>(stream.data() + at, n));
        at += n;
        auto more = DecodeAll(d);
        got.insert(got.end(), more.begin(), more.end());
    }
    std::set<std::uint16_t> gotSeqs;
    int last = -1;
    for (const Frame& f : got) {
        ASSERT_LT(f.sequence, sent.size());
        EXPECT_EQ(f, sent[f.sequence]) << "a frame came out that was never sent";
        EXPECT_GT(static_cast<int>(f.sequence), last);
        last = f.sequence;
        gotSeqs.insert(f.sequence);
    }
    for (std::size_t i = 0; i < sent.size(); ++i)
        if (intact[i]) {
            EXPECT_TRUE(gotSeqs.count(static_cast<std::uint16_t>(i))) << "lost intact frame " << i;
        }
}
