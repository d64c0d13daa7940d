#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "foundation/BoundedJson.h"

using Json = nlohmann::json;

namespace {

std::vector<std::uint8_t> cbor(const Json& document) { return Json::to_cbor(document); }

std::expected<Json, std::string> read(const std::vector<std::uint8_t>& bytes, std::size_t depth = morvex::json::kMaxFileDepth) {
    return morvex::json::parseCbor(bytes.data(), bytes.size(), depth);
}

// What the stores write is read back as it was, whether the direct reading takes it (maps, text,
// integers) or hands it to the general one (floats, byte strings).
TEST(BoundedJsonTest, CborReadsBackWhatWasWritten) {
    const Json cases[] = {
        {{"k", "AppPreference.countries"}, {"v", {{"d", std::string(300 * 1024, 'Q')}}}},
        {{"k", "Zürich ✓"}, {"v", Json::array({1, "two", nullptr, true, false, Json::object(), Json::array()})}},
        Json::array({0, 23, 24, 255, 256, 65535, 65536, 4294967295u, 4294967296u, std::numeric_limits<std::uint64_t>::max()}),
        Json::array({-1, -24, -25, -256, -257, -65537, std::numeric_limits<std::int64_t>::min()}),
        Json::array({1.5, -0.0, 1e300}),
        Json::binary({1, 2, 3}),
        "",
        Json::object(),
    };
    for (const Json& c : cases) {
        const auto back = read(cbor(c));
        ASSERT_TRUE(back) << c.dump() << ": " << back.error();
        EXPECT_EQ(*back, c) << c.dump();
    }
}

TEST(BoundedJsonTest, CborThatIsCutShortRunsOnOrClaimsTooMuchIsRefused) {
    const Json document = {{"k", "key"}, {"v", {{"d", std::string(1000, 'x')}, {"n", Json::array({1, 2, 3})}}}};
    const auto whole = cbor(document);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_FALSE(read(std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)))) << cut;
    }
    auto longer = whole;
    longer.push_back(0xF6);
    EXPECT_FALSE(read(longer)) << "a byte after the item";
    // An array claiming 2^64 - 1 elements over one byte, a text claiming more bytes than follow,
    // a map whose key is not text, and a tag.
    for (const std::vector<std::uint8_t>& bad : std::vector<std::vector<std::uint8_t>>{
             {0x9B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01},
             {0x7A, 0x7F, 0xFF, 0xFF, 0xFF, 0x61},
             {0xA1, 0x01, 0x02},
             {0xC1, 0x01},
         }) {
        EXPECT_FALSE(read(bad)) << bad.size();
    }
}

TEST(BoundedJsonTest, CborNestedPastTheBoundIsTooDeepAndAtTheBoundIsRead) {
    Json nested = Json::array();
    for (int i = 0; i < 9; ++i) nested = Json::array({nested});  // ten levels
    ASSERT_TRUE(read(cbor(nested), 10));
    const auto refused = read(cbor(nested), 9);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), morvex::json::kTooDeep);
}

}  // namespace
