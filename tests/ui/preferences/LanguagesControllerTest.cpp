// The language list sheet: its rows from the bundle's localizations, the change button that
// offers only another language, and the answers its two buttons give; and the storyboard names by
// which the pages containers and the general page make this area's pages.
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "app/Storyboards.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "support/TestSupport.h"
#include "ui/preferences/AboutViewController.h"
#include "ui/preferences/AppSettingsViewController.h"
#include "ui/preferences/LanguagesController.h"
#include "ui/preferences/LanguagesViewController.h"

namespace morvex {
namespace {

using Row = LanguagesController::Language;
using LanguagesSheetTest = test::TempConfigTest;

TEST_F(LanguagesSheetTest, RowsNameEachLanguageInEnglishAndItsOwnAndSkipTheBaseLocalization) {
    test::TempDir dir;
    for (const char* folder : {"Base.lproj", "de.lproj", "en.lproj"})
        std::filesystem::create_directories(dir.path() / "Resources" / folder);
    const Bundle bundle(dir.path());
    EXPECT_EQ(LanguagesController::languagesOf(bundle, "de"),
              (std::vector<Row>{{"de", "German - Deutsch", true}, {"en", "English - English", false}}));
    EXPECT_EQ(LanguagesController::languagesOf(bundle, "fr"),
              (std::vector<Row>{{"de", "German - Deutsch", false}, {"en", "English - English", false}}));
}

TEST_F(LanguagesSheetTest, OnlyAnotherLanguageCanBeChosenAndTheAnswersSayWhatHappened) {
    appkit::Application app;
    appkit::Window window(QSize(480, 360));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto stored = [] { return AppPreferences().defaults().string(AppPreferences::Key::preferredLanguageCode); };

    for (const bool change : {false, true}) {
        SCOPED_TRACE(change ? "change" : "cancel");
        std::vector<appkit::ModalResponse> answers;
        ASSERT_TRUE(LanguagesController::beginSheet(&window, [&](appkit::ModalResponse r) { answers.push_back(r); }));
        auto* controller = window.attachedSheet()->findChild<LanguagesController*>();
        ASSERT_NE(controller, nullptr);
        QListWidget* list = controller->list();
        ASSERT_EQ(list->count(), 2);  // the bundle's German and English
        const int german = list->item(0)->text().startsWith("German") ? 0 : 1;
        EXPECT_FALSE(controller->changeButton()->isEnabled());

        list->setCurrentRow(german);  // nothing stored: German is the current language
        EXPECT_FALSE(controller->changeButton()->isEnabled());
        list->setCurrentRow(1 - german);
        EXPECT_TRUE(controller->changeButton()->isEnabled());

        QTest::mouseClick(change ? controller->changeButton() : controller->cancelButton(), Qt::LeftButton);
        EXPECT_EQ(answers, (std::vector<appkit::ModalResponse>{change ? 1 : 0}));
        EXPECT_EQ(stored(), change ? std::optional<std::string>("en") : std::nullopt);
        test::drain();
    }
    EXPECT_FALSE(LanguagesController::beginSheet(nullptr, {}));
}

using AppSettingsScenesTest = test::TempConfigTest;

TEST_F(AppSettingsScenesTest, ThePagesAreMadeByTheNamesTheirPresentersUse) {
    registerStoryboards();
    struct Scene {
        const char* storyboard;
        const char* identifier;
        const QMetaObject* type;
    };
    for (const Scene& s : {Scene{"Preferences", "AppSettingsViewController", &AppSettingsViewController::staticMetaObject},
                           Scene{"Languages", "LanguagesStoryboardID", &LanguagesViewController::staticMetaObject},
                           Scene{"Languages", "LanguagesController", &LanguagesController::staticMetaObject},
                           Scene{"About", "AboutVCStoryboardID", &AboutViewController::staticMetaObject}}) {
        SCOPED_TRACE(s.identifier);
        auto* board = appkit::Storyboard::named(s.storyboard);
        ASSERT_NE(board, nullptr);
        std::unique_ptr<QObject> made(board->instantiateController(s.identifier));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->metaObject(), s.type);
    }
}

}  // namespace
}  // namespace morvex
