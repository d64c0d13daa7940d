#include <gtest/gtest.h>

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "model/EnumTable.h"

using namespace morvex;
using json = nlohmann::json;
using ordered_json = nlohmann::ordered_json;

namespace {

enum class Fruit { Apple, Pear, Plum };

struct FruitRow {
    Fruit value;
    std::string_view raw;
    std::string_view title;
};

constexpr auto kFruits = enumTable<FruitRow>("Fruit", {
    {Fruit::Apple, "apple", "Apple"},
    {Fruit::Pear, "pear", "Pear"},
    {Fruit::Plum, "", "Plum"},  // an empty raw text is a text like any other
});

// The same cases, but an unknown text is reported as a type error.
constexpr auto kStrictFruits = enumTable<Fruit>("Fruit", {
    {Fruit::Apple, "apple"},
    {Fruit::Pear, "pear"},
    {Fruit::Plum, ""},
}, UnknownRawError::typeError302);

// Look-ups are usable in constant expressions.
static_assert(kFruits.raw(Fruit::Pear) == "pear");
static_assert(kFruits.fromRaw("apple") == Fruit::Apple);

// Beside the enumeration, where look-up finds them.
MORVEX_DECLARE_ENUM_JSON(Fruit);
MORVEX_DEFINE_ENUM_JSON(Fruit, kFruits);

// The error a decoding throws: its kind and id, or none.
template <class BasicJson>
std::string decodingError(const BasicJson& j, bool strict = false) {
    try {
        Fruit f{};
        if (strict) kStrictFruits.fromJson(j, f);
        else j.get_to(f);
        return "none";
    } catch (const nlohmann::json::type_error& e) {
        return "type_error " + std::to_string(e.id);
    } catch (const nlohmann::json::other_error& e) {
        return "other_error " + std::to_string(e.id);
    }
}

TEST(EnumTableTest, EveryCaseRoundTripsThroughItsTextIndexAndJson) {
    for (const auto& row : kFruits.rows()) {
        SCOPED_TRACE(row.title);
        EXPECT_EQ(kFruits.raw(row.value), row.raw);
        EXPECT_EQ(kFruits.fromRaw(row.raw), row.value);
        EXPECT_EQ(kFruits.find(&FruitRow::title, row.title), row.value);
        EXPECT_EQ(kFruits.fromIndex(kFruits.index(row.value)), row.value);

        EXPECT_EQ(json(row.value), json(std::string(row.raw)));
        EXPECT_EQ(json(std::string(row.raw)).get<Fruit>(), row.value);
        // ordered_json codes the text as well (not the enumeration's number).
        EXPECT_EQ(ordered_json(row.value), ordered_json(std::string(row.raw)));
        EXPECT_EQ(ordered_json(std::string(row.raw)).get<Fruit>(), row.value);
    }
    EXPECT_EQ(kFruits.cases(), (std::array{Fruit::Apple, Fruit::Pear, Fruit::Plum}));
    EXPECT_EQ(kFruits.raws(), (std::array<std::string_view, 3>{"apple", "pear", ""}));
    EXPECT_EQ(json::object({{"f", Fruit::Pear}}).dump(), R"({"f":"pear"})");
}

TEST(EnumTableTest, TextsIndicesAndNumbersThatNameNoCaseGiveNothing) {
    for (std::string_view text : {"Apple", "apple ", "plum", "Plum", "banana"})
        EXPECT_EQ(kFruits.fromRaw(text), std::nullopt) << text;
    EXPECT_EQ(kFruits.find(&FruitRow::title, std::string_view("apple")), std::nullopt);
    EXPECT_EQ(kFruits.fromIndex(-1), std::nullopt);
    EXPECT_EQ(kFruits.fromIndex(3), std::nullopt);
    EXPECT_EQ(kFruits.raw(static_cast<Fruit>(3)), "");
}

TEST(EnumTableTest, BadJsonFailsWithTheDeclaredErrors) {
    struct Case {
        const char* what;
        json value;
        std::string error, strictError;
    } cases[] = {
        {"a known text", "pear", "none", "none"},
        {"an unknown text", "banana", "other_error 501", "type_error 302"},
        {"a text in another case", "Pear", "other_error 501", "type_error 302"},
        {"the case index", 1, "type_error 302", "type_error 302"},
        {"null", nullptr, "type_error 302", "type_error 302"},
        {"a Boolean", true, "type_error 302", "type_error 302"},
        {"a list", json::array({"pear"}), "type_error 302", "type_error 302"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(decodingError(c.value), c.error);
        EXPECT_EQ(decodingError(ordered_json(c.value)), c.error);
        EXPECT_EQ(decodingError(c.value, true), c.strictError);
    }
    try {
        (void)json("banana").get<Fruit>();
    } catch (const json::exception& e) {
        EXPECT_NE(std::string(e.what()).find("unknown Fruit \"banana\""), std::string::npos) << e.what();
    }
}

TEST(EnumTableTest, RowsOutOfCaseOrderOrWithATextTwiceAreRejected) {
    // A constexpr table with these rows does not compile; made at run time it throws.
    const auto outOfOrder = [] {
        return enumTable<Fruit>("Fruit", {{Fruit::Pear, "pear"}, {Fruit::Apple, "apple"}, {Fruit::Plum, "plum"}});
    };
    const auto missingCase = [] { return enumTable<Fruit>("Fruit", {{Fruit::Apple, "apple"}, {Fruit::Plum, "plum"}}); };
    const auto textTwice = [] {
        return enumTable<Fruit>("Fruit", {{Fruit::Apple, "apple"}, {Fruit::Pear, "apple"}, {Fruit::Plum, "plum"}});
    };
    EXPECT_THROW(outOfOrder(), std::logic_error);
    EXPECT_THROW(missingCase(), std::logic_error);
    EXPECT_THROW(textTwice(), std::logic_error);
}

}  // namespace
