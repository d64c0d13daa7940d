// The sort overlay and sheet, the overlay host and the filter sheet, driven as a user would on a
// shown window: which choice is marked, what a click tells the list, and when each one closes.
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "app/Storyboards.h"
#include "appkit/Application.h"
#include "appkit/Nib.h"
#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/AppManager.h"
#include "state/PreservedPreferences.h"
#include "support/TestSupport.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/CountriesStyle.h"
#include "ui/locations/FilterViewController.h"
#include "ui/locations/PopOver.h"
#include "ui/locations/SortView.h"
#include "ui/locations/SortViewController.h"

namespace morvex {
namespace {

// The list behind the sheets: records what it was handed.
class RecordingList : public appkit::ViewController, public SortViewControllerDelegate, public FilterViewControllerDelegate {
public:
    std::vector<int> sorts;
    std::vector<bool> filters;
    void sortSelected(int kind) override { sorts.push_back(kind); }
    void filterApplied(bool on) override { filters.push_back(on); }
};

struct SortFlags {
    bool popularity, alphabetical, ping;
};

void setFlags(SortFlags f) {
    AppManager& app = AppManager::shared();
    // One kind at most: the first flag set wins.
    app.setSortKind(f.popularity ? AppManager::SortKind::popularity
                    : f.alphabetical ? AppManager::SortKind::alphabetical
                    : f.ping ? AppManager::SortKind::ping
                                   : AppManager::SortKind::none);
}

class SortAndFilterSheetsTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        registerStoryboards();
        setFlags({false, false, false});
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        list = new RecordingList;
        window->setContentViewController(list);
        window->show();
        for (auto name : {PopOver::sortPopularity, PopOver::sortAlphabetically, PopOver::dismissPopOver})
            tokens.push_back(NotificationCenter::defaultCenter().addObserver(
                name, [this, name](const Notification&) { posted.emplace_back(name); }));
    }
    void TearDown() override {
        tokens.clear();
        window.reset();
        setFlags({false, false, false});
        TempConfigTest::TearDown();
    }

    template <class T>
    T* present(std::string_view storyboard, std::string_view id) {
        auto* controller = qobject_cast<T*>(appkit::Storyboard::named(storyboard)->instantiateController(id));
        EXPECT_NE(controller, nullptr);
        controller->delegate = list;
        return controller;
    }
    bool sheetShown() { return window->attachedSheet() != nullptr && !window->attachedSheet()->hasEnded(); }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    RecordingList* list = nullptr;
    std::vector<ObserverToken> tokens;
    std::vector<std::string> posted;
};

QColor named(const char* name, const QWidget* w) { return ThemedColor::colorNamed(name).resolve(w); }

TEST_F(SortAndFilterSheetsTest, TheOverlayMarksTheCurrentOrderWhenShownAndTellsEachChoiceAlone) {
    const struct {
        SortFlags flags;
        bool popularityMarked, alphabeticalMarked;
    } cases[] = {{{false, false, false}, false, false}, {{true, false, false}, true, false}, {{false, true, false}, false, true}};
    for (const auto& c : cases) {
        setFlags(c.flags);
        QWidget host;
        auto view = appkit::loadViewFromNib<SortView>();
        ASSERT_NE(view, nullptr) << "the overlay's nib is registered";
        view->setParent(&host);
        EXPECT_EQ(countries::textColorOf(view->lblPopularity), named(c.popularityMarked ? "ThemeColor" : "TabText", view.get()));
        EXPECT_EQ(countries::textColorOf(view->lblAlphabetically),
                  named(c.alphabeticalMarked ? "ThemeColor" : "TabText", view.get()));
        // Later changes of the flags do not recolour a view already shown.
        setFlags({!c.flags.popularity, false, false});
        EXPECT_EQ(countries::textColorOf(view->lblPopularity), named(c.popularityMarked ? "ThemeColor" : "TabText", view.get()));
        view.release()->deleteLater();
    }

    SortView view;
    view.resize(688, 500);
    view.show();
    QTest::mouseClick(view.alphabeticalControl(), Qt::LeftButton);
    EXPECT_EQ(posted, std::vector<std::string>{"sortAlphabetically"});
    posted.clear();
    QTest::mouseClick(view.popularityControl(), Qt::LeftButton);
    EXPECT_EQ(posted, std::vector<std::string>{"sortPopularity"});
    posted.clear();
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(5, 5));  // beside the card
    EXPECT_EQ(posted, std::vector<std::string>{"dismissPopOver"});
}

TEST_F(SortAndFilterSheetsTest, TheOverlayCoversTheWindowOnceAndIsDimmedOnlyWithoutAFlow) {
    PopOver plain;
    plain.presentInMainWindow();
    plain.presentInMainWindow();
    EXPECT_EQ(window->findChildren<PopOver*>().size(), 0u);
    int overlays = 0;
    for (QObject* child : window->children())
        if (child == plain.view()) ++overlays;
    EXPECT_EQ(overlays, 1) << "presenting twice adds the view once";
    EXPECT_EQ(plain.view()->geometry(), window->rect());
    auto* layer = static_cast<CustomView*>(plain.view());
    EXPECT_EQ(layer->backgroundColor()->resolve(layer), QColor::fromRgbF(0, 0, 0, 0.65f));
    EXPECT_EQ(plain.sortView(), nullptr);

    PopOver sorting;
    sorting.popOverFlow = PopOver::PopOverFlow::sort;
    sorting.presentInMainWindow();
    ASSERT_NE(sorting.sortView(), nullptr);
    EXPECT_EQ(sorting.sortView()->parentWidget(), sorting.view());
    auto* clear = static_cast<CustomView*>(sorting.view());
    EXPECT_EQ(clear->backgroundColor()->resolve(clear).alpha(), 0);
    sorting.removeFromSuperview();
    EXPECT_EQ(sorting.view()->parentWidget(), nullptr);
}

TEST_F(SortAndFilterSheetsTest, TheSortSheetMarksTheFlaggedChoiceAndHandsBackTheKindChosen) {
    setFlags({false, false, true});
    auto* sheet = present<SortViewController>("Sort", "SortViewController");
    ASSERT_TRUE(list->presentAsSheet(sheet));
    ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
    const std::pair<QAbstractButton*, bool> marks[] = {
        {sheet->btnPopularity, false}, {sheet->btnAlphabetically, false}, {sheet->btnPing, true}};
    for (const auto& [button, on] : marks) {
        EXPECT_EQ(button->isChecked(), on) << button->text().toStdString();
        EXPECT_EQ(button->property("imageName").toString(), on ? "sortRadioSelected" : "sortRadioUnselected");
    }
    sheet->dismiss(sheet);

    const struct {
        QPointer<QAbstractButton> SortViewController::*button;
        int kind;
    } choices[] = {{&SortViewController::btnPing, 2}, {&SortViewController::btnPopularity, 1},
                   {&SortViewController::btnAlphabetically, 0}};
    for (const auto& c : choices) {
        list->sorts.clear();
        auto* s = present<SortViewController>("Sort", "SortViewController");
        ASSERT_TRUE(test::waitUntil([&] { return !sheetShown(); }));
        ASSERT_TRUE(list->presentAsSheet(s));
        ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
        QPointer<SortViewController> watched(s);
        QTest::mouseClick((s->*(c.button)).data(), Qt::LeftButton);
        EXPECT_EQ(list->sorts, std::vector<int>{c.kind});
        EXPECT_TRUE(test::waitUntil([&] { return !sheetShown(); })) << "a choice closes the sheet";
        test::drain();
        EXPECT_EQ(list->sorts, std::vector<int>{c.kind}) << "the click is handed on once";
    }
}

TEST_F(SortAndFilterSheetsTest, AReleaseAnywhereClosesTheSortSheetWithoutAChoice) {
    auto* sheet = present<SortViewController>("Sort", "SortViewController");
    ASSERT_TRUE(list->presentAsSheet(sheet));
    ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
    QTest::mouseClick(window->attachedSheet(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(test::waitUntil([&] { return !sheetShown(); }));
    EXPECT_TRUE(list->sorts.empty());
    // Once closed, the watch is gone: a later click elsewhere reaches nothing of it.
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(10, 10));
    test::drain();
    EXPECT_TRUE(list->sorts.empty());
}

TEST_F(SortAndFilterSheetsTest, TheFilterSheetHandsBackTheStateOnlyOnConfirm) {
    const struct {
        const char* what;
        bool openedOn;
        bool toggle;
        bool confirm;
        std::vector<bool> handedBack;
    } cases[] = {
        {"switched off and confirmed", true, true, true, {false}},
        {"switched off and cancelled", true, true, false, {}},
        {"confirmed untouched (on)", true, false, true, {true}},
        {"confirmed untouched (off)", false, false, true, {false}},
        {"switched on and confirmed", false, true, true, {true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(test::waitUntil([&] { return !sheetShown(); }));
        list->filters.clear();
        auto* sheet = present<FilterViewController>("Filter", "FilterViewController");
        sheet->isFilterOn = c.openedOn;
        ASSERT_TRUE(list->presentAsSheet(sheet));
        ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
        EXPECT_EQ(sheet->btnP2P->isChecked(), c.openedOn);
        EXPECT_EQ(sheet->lblTitle->text(), "Filter By");
        EXPECT_EQ(sheet->btnCancel->text(), "CANCEL");
        EXPECT_EQ(sheet->btnProceed->text(), "OKAY");
        if (c.toggle) QTest::mouseClick(sheet->btnP2P, Qt::LeftButton);
        QTest::mouseClick(c.confirm ? sheet->btnProceed : sheet->btnCancel, Qt::LeftButton);
        EXPECT_EQ(list->filters, c.handedBack);
        EXPECT_TRUE(test::waitUntil([&] { return !sheetShown(); })) << "either button closes the sheet";
    }
}

TEST_F(SortAndFilterSheetsTest, ClearedPreferencesTurnTheFilterOffWhileTheSheetStays) {
    auto* sheet = present<FilterViewController>("Filter", "FilterViewController");
    sheet->isFilterOn = true;
    ASSERT_TRUE(list->presentAsSheet(sheet));
    ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
    NotificationCenter::defaultCenter().post(PreservedPreferences::preferencesRefreshedNotification);
    EXPECT_EQ(list->filters, std::vector<bool>{false});
    EXPECT_TRUE(sheetShown());
    EXPECT_TRUE(sheet->btnP2P->isChecked()) << "the switch is not touched";
}

}  // namespace
}  // namespace morvex
