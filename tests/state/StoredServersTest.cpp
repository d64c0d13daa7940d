#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "state/StoredServers.h"
#include "support/TestSupport.h"

using namespace morvex;
using json = nlohmann::json;

namespace {

class StoredServersTest : public test::TempConfigTest {};

Value dataOf(std::string_view text) { return Value(Bytes(text.begin(), text.end())); }

TEST_F(StoredServersTest, ListsKeepTheReadableElementsAndRecordsReadAsNullWhenUnreadable) {
    auto defaults = UserDefaults::standard();
    auto first = std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Germany", ZevuDataFetcherTypes::ServerType::Country, "DE");
    auto second = std::make_shared<ZevuDataFetcherTypes::Server>("7", "Paris", ZevuDataFetcherTypes::ServerType::City, "FR");
    setEncodedServerList(defaults, ZevuDataFetcherTypes::ServerList{first, nullptr, second}, "list");
    auto stored = defaults.array("list");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 2u);  // the null element is left out

    Array withBroken{(*stored)[0], dataOf(R"({"id":"x","type":9})"), (*stored)[1]};
    defaults.set(Value(withBroken), "list");
    auto list = decodedServerList(defaults, "list");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0]->id, "DE");
    EXPECT_EQ((*list)[1]->name, "Paris");

    defaults.set(Value(Array{(*stored)[0], Value("DE")}), "list");
    EXPECT_FALSE(decodedServerList(defaults, "list"));
    setEncodedServerList(defaults, std::nullopt, "list");
    EXPECT_FALSE(defaults.object("list"));

    setEncodedServer(defaults, first, "one");
    EXPECT_EQ(decodedServer(defaults, "one")->id, "DE");
    setEncodedServer(defaults, nullptr, "one");
    EXPECT_EQ(defaults.data("one"), (Bytes{'n', 'u', 'l', 'l'}));
    EXPECT_FALSE(decodedServer(defaults, "one"));
    defaults.set(Value("DE"), "one");
    EXPECT_FALSE(decodedServer(defaults, "one"));
}

}  // namespace
