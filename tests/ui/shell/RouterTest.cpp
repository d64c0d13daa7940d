// The router: scenes made by name, the empty page in place of a missing scene, a sheet only where
// there is a scene and a window, and a page's input reached only when the page takes it.
#include <gtest/gtest.h>
#include <memory>

#include "appkit/Storyboard.h"
#include "appkit/ViewController.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/shell/EmptyPageViewController.h"
#include "ui/shell/PageInputs.h"
#include "ui/shell/Router.h"

namespace morvex {
namespace {

using RouterTest = test::TempConfigTest;

class CityPage : public appkit::ViewController, public CityListInput {
public:
    std::optional<std::string> shownName;
    void showCities(const std::optional<ZevuDataFetcherTypes::ServerList>&, const std::optional<std::string>& name) override {
        shownName = name;
    }
};

TEST_F(RouterTest, ScenesAreMadeByNameAndAMissingOneEmbedsTheEmptyPage) {
    appkit::Storyboard::define("RouterTest").scene("Cities", [] { return new CityPage; }).scene("NotAPage", [] {
        return new QObject;
    });
    std::unique_ptr<appkit::ViewController> cities(router::instantiate("Cities", "RouterTest"));
    ASSERT_NE(dynamic_cast<CityPage*>(cities.get()), nullptr);
    EXPECT_EQ(router::instantiate("Missing", "RouterTest"), nullptr);
    EXPECT_EQ(router::instantiate("Cities", "NoSuchStoryboard"), nullptr);
    EXPECT_EQ(router::instantiate("NotAPage", "RouterTest"), nullptr) << "only view controllers are pages";

    std::unique_ptr<appkit::ViewController> empty(router::embed("Missing", "RouterTest"));
    EXPECT_NE(dynamic_cast<EmptyPageViewController*>(empty.get()), nullptr);

    // The input is reached through the interface, and only on a page that takes it.
    auto* input = router::inputOf<CityListInput>(cities.get());
    ASSERT_NE(input, nullptr);
    input->showCities(std::nullopt, std::string("Cities / France"));
    EXPECT_EQ(static_cast<CityPage*>(cities.get())->shownName, "Cities / France");
    EXPECT_EQ(router::inputOf<CityListInput>(empty.get()), nullptr);
    EXPECT_EQ(router::inputOf<TroubleshootInput>(cities.get()), nullptr);
}

TEST_F(RouterTest, ASheetNeedsTheSceneAndTheSourcesWindow) {
    int prepared = 0;
    appkit::Storyboard::define("RouterSheets").scene("Sheet", [] { return new appkit::ViewController; });
    auto* source = new appkit::ViewController;
    EXPECT_FALSE(router::presentAsSheet(*source, "Sheet", "RouterSheets", [&](appkit::ViewController&) { ++prepared; }))
        << "a page not in a window has nowhere to show a sheet";
    appkit::Window window(QSize(300, 200));
    window.setContentViewController(source);
    window.show();
    EXPECT_FALSE(router::presentAsSheet(*source, "Missing", "RouterSheets"));
    EXPECT_TRUE(router::presentAsSheet(*source, "Sheet", "RouterSheets", [&](appkit::ViewController&) { ++prepared; }));
    EXPECT_NE(window.attachedSheet(), nullptr);
    EXPECT_EQ(prepared, 2) << "each made sheet is prepared before it is shown";
}

}  // namespace
}  // namespace morvex
