// The assembled application's storyboards (every feature registered as the program does at
// start): every scene the code asks for is there, and each is registered by one feature only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/AppMainViewController.h"
#include "app/InitialViewController.h"
#include "app/SplashViewController.h"
#include "app/Storyboards.h"
#include "appkit/Storyboard.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/kit/ProtocolsAlertViewController.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/locations/FilterViewController.h"
#include "ui/locations/SortViewController.h"
#include "ui/login/LoginViewController.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/PreferencesViewController.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/shell/Scenes.h"
#include "ui/support/SupportViewController.h"

namespace morvex {
namespace {

using Scene = std::pair<std::string, std::string>;  // storyboard, identifier

std::map<Scene, int> registrations() {
    std::map<Scene, int> out;
    for (const auto& name : appkit::Storyboard::names()) {
        const appkit::Storyboard* board = appkit::Storyboard::named(name);
        for (const auto& id : board->identifiers()) out[{name, id}] = board->registrations(id);
    }
    return out;
}

// The scenes the code opens by name, through the constants it uses.
std::vector<Scene> scenesTheCodeAsksFor() {
    const std::string main(kMainStoryboard);
    std::vector<Scene> scenes = {
        {main, std::string(InitialViewController::kStoryboardID)},
        {main, std::string(InitialViewController::kSignInPageID)},
        {main, std::string(InitialViewController::kMainContentPageID)},
        {main, std::string(InitialViewController::kUpdatePageID)},
        {main, std::string(SplashViewController::kLoginStoryboardID)},
        {main, std::string(scenes::kTroubleshoot)},
        {main, std::string(scenes::kFeedbackContainer)},
        {main, std::string(ExploreTabViewController::kCountriesScene)},
        {main, std::string(ExploreTabViewController::kCitiesScene)},
        {main, std::string(ExploreTabViewController::kLeftPanelScene)},
        {main, std::string(kPreferencesWindowScene)},
        {std::string(InitialViewController::kSwitchAccountStoryboard), std::string(InitialViewController::kSwitchAccountSceneID)},
        {LoginViewController::kAccountChooserStoryboard, LoginViewController::kAccountChooserID},
        {std::string(FilterViewController::kStoryboard), std::string(FilterViewController::kStoryboardID)},
        {std::string(SortViewController::kStoryboard), std::string(SortViewController::kStoryboardID)},
        {std::string(SettingsLocationViewController::kStoryboardName), std::string(SettingsLocationViewController::kStoryboardID)},
        {std::string(ProtocolsAlertViewController::kStoryboard), std::string(ProtocolsAlertViewController::kStoryboardID)},
        {SupportViewController1::kStoryboard, SupportViewController1::kGetHelpScene},
        {SupportViewController1::kStoryboard, SupportViewController1::kSubmitTicketNewScene},
    };
    for (const auto& page : AppMainViewController::kPageScenes)
        // The notifications list opens from the tab bar's bell, never as a page.
        if (page.page != MainTab::Notifications) scenes.emplace_back(main, std::string(page.identifier));
    for (const auto& item : PreferencesViewController::tabItems()) scenes.emplace_back(item.storyboard, item.scene);
    for (const auto& page : Preferences1ViewController::pages()) scenes.emplace_back(page.storyboard, page.scene);
    return scenes;
}

// Scene names written as literals where the sources look a scene up.
std::vector<std::string> literalLookups() {
    static const std::regex lookup(
        R"re((instantiateController|hasScene|router::instantiate|router::embed|router::presentAsSheet|router::presentAsWindow|sceneController|sceneOrEmptyPage)\(\s*"([^"]+)")re");
    std::vector<std::string> out;
    for (const char* folder : {"src", "tools/shots"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(MORVEX_SOURCE_DIR) / folder)) {
            const auto ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path());
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (auto it = std::sregex_iterator(text.begin(), text.end(), lookup); it != std::sregex_iterator(); ++it)
                out.push_back((*it)[2].str());
        }
    }
    return out;
}

TEST(StoryboardNamesTest, EverySceneTheCodeAsksForIsRegisteredOnce) {
    const auto before = registrations();
    registerStoryboards();
    const auto after = registrations();

    // Each registration pass makes each scene once: a second registration of the same scene (two
    // features claiming it, or one feature twice) shows as two.
    std::set<Scene> registeredNow;
    for (const auto& [scene, count] : after) {
        const auto it = before.find(scene);
        const int made = count - (it == before.end() ? 0 : it->second);
        EXPECT_LE(made, 1) << scene.first << "/" << scene.second << " is registered " << made << " times";
        if (made >= 1) registeredNow.insert(scene);
    }

    for (const auto& scene : scenesTheCodeAsksFor())
        EXPECT_TRUE(registeredNow.contains(scene)) << scene.first << "/" << scene.second << " is asked for but not registered";

    // Window controllers' content scenes are scenes of the same storyboard.
    for (const auto& [scene, _] : after) {
        const std::string content = appkit::Storyboard::named(scene.first)->windowContentOf(scene.second);
        if (!content.empty()) {
            EXPECT_TRUE(appkit::Storyboard::named(scene.first)->hasScene(content))
                << scene.second << "'s window content " << content << " is not registered";
        }
    }
    EXPECT_NE(appkit::Storyboard::named(kMainStoryboard), nullptr);

    std::set<std::string> anyScene;
    for (const auto& scene : registeredNow) anyScene.insert(scene.second);
    const auto literals = literalLookups();
    for (const auto& name : literals) EXPECT_TRUE(anyScene.contains(name)) << "\"" << name << "\" is looked up but not registered";
}

}  // namespace
}  // namespace morvex
