#include <gtest/gtest.h>

#include "foundation/FrameCodec.h"

using namespace morvex::wire;

namespace {

std::string u32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string frameWithPayload(const std::string& payload) { return u32(static_cast<std::uint32_t>(payload.size())) + payload; }

}  // namespace

TEST(FrameCodecTest, FramesSurviveARoundTripEvenWhenFedOneByteAtATime) {
    const Frame frames[] = {
        {FrameKind::Command, 7, {"enableFirewall", "table inet t {\n}\n"}},
        {FrameKind::ReplyNumber, 7, {"-1"}},
        {FrameKind::ReplyText, 1, {"1.0.0"}},
        {FrameKind::LogStdErr, 0, {""}},
        {FrameKind::Command, 0xffffffffu, {}},
        {FrameKind::LogStdOut, 2, {"Grüße ✓"}},
        {FrameKind::Accepted, 0, {}},
    };
    std::string stream;
    for (const auto& f : frames) stream += *encodeFrame(f);

    FrameReader reader;
    std::vector<Frame> decoded;
    for (char c : stream) {
        reader.append(std::string_view(&c, 1));
        for (auto r = reader.next(); r.status != DecodeStatus::NeedMore; r = reader.next()) {
            ASSERT_EQ(r.status, DecodeStatus::Frame);
            decoded.push_back(r.frame);
        }
    }
    ASSERT_EQ(decoded.size(), std::size(frames));
    for (std::size_t i = 0; i < decoded.size(); ++i) EXPECT_EQ(decoded[i], frames[i]) << i;
    EXPECT_EQ(reader.buffered(), 0u);
}

TEST(FrameCodecTest, RefusesToEncodeMoreThanTheCap) {
    EXPECT_FALSE(encodeFrame({FrameKind::Command, 1, {std::string(kMaxFramePayload, 'x')}}));
    EXPECT_TRUE(encodeFrame({FrameKind::Command, 1, {std::string(kMaxFramePayload - 13, 'x')}}));
}

TEST(FrameCodecTest, BadFramesAreToldApartAndSkippedWhereTheStreamCanGoOn) {
    const std::string id = u32(42);
    struct Case {
        const char* name;
        std::string bytes;
        DecodeStatus status;
        bool idKnown;
    };
    const Case cases[] = {
        {"length over the cap", u32(kMaxFramePayload + 1) + "x", DecodeStatus::Oversized, false},
        {"length of all ones", "\xff\xff\xff\xff", DecodeStatus::Oversized, false},
        {"only a length", u32(12), DecodeStatus::NeedMore, false},
        {"empty payload", frameWithPayload(""), DecodeStatus::Malformed, false},
        {"payload without a count", frameWithPayload("\x01" + id), DecodeStatus::Malformed, true},
        {"unknown kind", frameWithPayload("\x09" + id + u32(0)), DecodeStatus::Malformed, true},
        {"count larger than the payload", frameWithPayload("\x01" + id + u32(1000000)), DecodeStatus::Malformed, true},
        {"element longer than the payload", frameWithPayload("\x01" + id + u32(1) + u32(50) + "abc"),
         DecodeStatus::Malformed, true},
        {"bytes after the last element", frameWithPayload("\x01" + id + u32(1) + u32(1) + "ab"),
         DecodeStatus::Malformed, true},
        {"element that is no UTF-8", frameWithPayload("\x01" + id + u32(1) + u32(2) + "\xc3\x28"),
         DecodeStatus::Malformed, true},
        {"overlong UTF-8", frameWithPayload("\x01" + id + u32(1) + u32(2) + "\xc0\xaf"), DecodeStatus::Malformed, true},
    };
    const std::string good = *encodeFrame({FrameKind::Command, 5, {"getVersion"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = decodeFrame(c.bytes);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.id.has_value(), c.idKnown);
        if (c.idKnown) {
            EXPECT_EQ(*r.id, 42u);
        }
        if (c.status == DecodeStatus::Malformed) {
            // The next frame is still read.
            FrameReader reader;
            reader.append(c.bytes + good);
            EXPECT_EQ(reader.next().status, DecodeStatus::Malformed);
            const auto next = reader.next();
            ASSERT_EQ(next.status, DecodeStatus::Frame);
            EXPECT_EQ(next.frame.items, std::vector<std::string>{"getVersion"});
        }
    }
}

TEST(FrameCodecTest, Utf8CheckFollowsTheStandard) {
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xf0\x9f\x98\x80"));          // U+1F600
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));             // a surrogate
    EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80"));         // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xe2\x82"));                 // cut short
    EXPECT_FALSE(isValidUtf8("\x80"));                     // a lone continuation byte
}
