// The interface kit's controls in their states, one gallery page per family: buttons, layer-backed
// views, text inputs, the segmented switch and popups.
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Shots.h"
#include "appkit/Images.h"
#include "appkit/Window.h"
#include "state/PreservedPreferences.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/CustomSegmentedControl.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/PopupManager.h"
#include "ui/kit/TextInputs.h"

namespace morvex::shots {
namespace {

// A 760 x 500 page in the window background colour, following the application's appearance.
struct Page {
    std::unique_ptr<appkit::Window> window = std::make_unique<appkit::Window>(QSize(760, 500));
    CustomView* content;
    QGridLayout* grid;

    Page() {
        window->setTitle("MorvexVPN");
        content = new CustomView(window.get());
        content->setBackgroundColor(ThemedColor::colorNamed("WindowBackground"));
        content->setGeometry(0, 0, 760, 500);
        grid = new QGridLayout(content);
        grid->setContentsMargins(24, 20, 24, 20);
        grid->setHorizontalSpacing(20);
        grid->setVerticalSpacing(6);
    }
    // A caption over the cell below it.
    void add(int row, int column, const QString& caption, QWidget* widget, int span = 1) {
        auto* label = new QLabel(caption);
        label->setFont(systemFont(13));
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, ThemedColor::colorNamed("TabText").resolve(window.get()));
        label->setPalette(p);
        grid->addWidget(label, row * 2, column, 1, span);
        grid->addWidget(widget, row * 2 + 1, column, 1, span, Qt::AlignLeft);
    }
    QImage render() {
        window->show();
        settle();
        return renderWindow(*window);
    }
};

template <class W>
W* sized(W* widget, QSize size) {
    widget->setFixedSize(size);
    return widget;
}

QImage buttons(Context&) {
    Page page;
    auto* plain = sized(new PVButton, {150, 36});
    plain->setTitle("PVButton");
    plain->setTitleColor(ThemedColor::colorNamed("ThemeColor"));
    plain->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    plain->setCornerRadius(8);
    plain->setPointingHandCursor(true);
    page.add(0, 0, "PVButton, title colour, radius 8", plain);

    auto* hovered = sized(new PVButton, {150, 36});
    hovered->setTitle("Favourite");
    hovered->setTitleColor(ThemedColor::colorNamed("HeadingText"));
    hovered->setNormalImage(appkit::imageNamed("LocationsFavoriteUnfilled"));
    hovered->setHoverImage(appkit::imageNamed("LocationsFavoriteUnfilledHovered"));
    hovered->mouseEntered();
    page.add(0, 1, "PVButton, pointer over it", hovered);

    auto* normal = sized(new PVButton, {150, 36});
    normal->setTitle("Favourite");
    normal->setTitleColor(ThemedColor::colorNamed("HeadingText"));
    normal->setNormalImage(appkit::imageNamed("LocationsFavoriteUnfilled"));
    normal->mouseExited();
    page.add(0, 2, "PVButton, pointer away", normal);

    auto* gradient = sized(new CustomButton, {180, 40});
    gradient->setText("Connect");
    gradient->setRoundCorners(true);
    gradient->setEnableGradient(true);
    QPalette white = gradient->palette();
    white.setColor(QPalette::ButtonText, Qt::white);
    gradient->setPalette(white);
    page.add(1, 0, "CustomButton, gradient", gradient);

    auto* flat = sized(new CustomButton, {180, 40});
    flat->setText("Upgrade");
    flat->setBackgroundColor(ThemedColor::colorNamed("ThemeColor"));
    flat->setRoundCorners(true);
    flat->setPalette(white);
    page.add(1, 1, "CustomButton, flat colour", flat);

    auto* disabled = sized(new CustomButton, {180, 40});
    disabled->setText("Disabled");
    disabled->setBackgroundColor(ThemedColor::colorNamed("ThemeColor"));
    disabled->setRoundCorners(true);
    disabled->setPalette(white);
    disabled->setEnabled(false);
    page.add(1, 2, "CustomButton, disabled", disabled);

    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        auto* b = sized(new SupportButton, {68, 32});
        b->setText(QStringList{"FAQ", "Tickets", "Chat"}[i]);
        b->setSelectedColor(ThemedColor::colorNamed("ThemeColor"));
        b->setDeselectedColor(ThemedColor::colorNamed("BottomColor"));
        b->setRound(8);
        b->setRoundCorners(true);
        b->setCurrentColor(i == 0 ? *b->selectedColor() : *b->deselectedColor());
        if (i == 0) b->setPalette(white);
        rowLayout->addWidget(b);
    }
    page.add(2, 0, "SupportButton row", row);

    auto* tabs = new QWidget;
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    struct Tab {
        const char* plain;
        const char* selected;
        bool isSelected;
        long count;
    };
    const Tab tabList[] = {{"ic_hometab", "ic_home_selected", true, 0},
                           {"ic_locationtab", "ic_locations_selected", false, 0},
                           {"ic_supporttab", "ic_support_selected", false, 5},
                           {"ic_profiletab", "ic_profile_selected", false, 12}};
    for (const Tab& t : tabList) {
        auto* tab = sized(new TabButton, t.count ? QSize(84, 44) : QSize(44, 44));
        if (t.count) tab->setAlignment(Qt::AlignLeft);
        tab->setLeadingImage(appkit::imageNamed(t.plain));
        tab->setSelectedLeadingImage(appkit::imageNamed(t.selected));
        tab->setSelectedBackgroundColor(ThemedColor::colorNamed("ThemeColor"));
        tab->setCornerRadius(12);
        tab->setSelected(t.isSelected);
        tab->setCount(t.count);
        tabRow->addWidget(tab);
    }
    page.add(3, 0, "TabButton: selected, plain, with a badge of 5 and of 12", tabs, 2);

    auto* titled = new QWidget;
    auto* titledRow = new QHBoxLayout(titled);
    titledRow->setContentsMargins(0, 0, 0, 0);
    for (bool selected : {true, false}) {
        auto* tab = sized(new TabButton, {100, 32});
        tab->setText(selected ? "Recents" : "Favourites");
        tab->setTitleColor(ThemedColor::colorNamed("TabText"));
        tab->setSelectedTitleColor(ThemedColor(Qt::white));
        tab->setSelectedBackgroundColor(ThemedColor::colorNamed("ThemeColor"));
        tab->setCornerRadius(8);
        tab->setSelected(selected);
        titledRow->addWidget(tab);
    }
    page.add(2, 1, "TabButton with titles", titled);
    page.grid->setRowStretch(8, 1);
    return page.render();
}

QImage views(Context&) {
    Page page;
    auto panel = [](bool top, bool bottom) {
        auto* v = sized(new CustomView, {150, 60});
        v->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
        v->setCornerRadius(12);
        v->setTopCorners(top);
        v->setBottomCorners(bottom);
        return v;
    };
    page.add(0, 0, "CustomView, top corners", panel(true, false));
    page.add(0, 1, "CustomView, bottom corners", panel(false, true));
    auto* bordered = panel(false, false);
    bordered->setBorderWidth(1);
    bordered->setBorderColor(ThemedColor::colorNamed("Separator"));
    bordered->setShadowRadius(6);
    bordered->setShadowOffset(QSizeF(0, -2));
    bordered->setShadowColor(ThemedColor(QColor(0, 0, 0, 60)));
    bordered->setShouldAddShadow(true);
    page.add(0, 2, "CustomView, border, shadow", bordered);

    auto* flag = sized(new CustomImageView, {60, 60});
    flag->setImage(appkit::imageNamed("de"));
    flag->setCornerRadius(30);
    flag->setTopCorners(true);
    flag->setBottomCorners(true);
    flag->setShouldAddShadow(true);
    page.add(1, 0, "CustomImageView, both flags", flag);

    auto* box = sized(new CustomBoxView2, {150, 60});
    box->setIsAddShadow(true);
    page.add(1, 1, "CustomBoxView2", box);

    auto* tabs = new QWidget;
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    for (bool selected : {true, false}) {
        auto* tab = new CustomTabView(Qt::Vertical);
        auto* title = new QLabel(selected ? "Recents" : "Favourites");
        auto* indicator = new CustomView;
        indicator->setFixedHeight(2);
        indicator->setBackgroundColor(ThemedColor::colorNamed("ThemeColor"));
        setViewTag(title, 2);
        setViewTag(indicator, 1);
        tab->addArrangedSubview(title);
        tab->addArrangedSubview(indicator);
        tab->stack()->setSpacing(4);
        tab->setIsSelected(selected);
        tabRow->addWidget(tab);
    }
    page.add(1, 2, "CustomTabView", tabs);

    const std::pair<const char*, ZevuConnectionState> states[] = {{"disconnected", ZevuConnectionState::Disconnected},
                                                                  {"connected", ZevuConnectionState::Connected},
                                                                  {"redialing (none)", ZevuConnectionState::Redialing}};
    for (int i = 0; i < 3; ++i) {
        auto* top = sized(new CustomGradientTopView, {200, 70});
        top->setCornerRadius(12);
        top->setVpnState(states[i].second);
        page.add(2, i, QString("Gradient, ") + states[i].first, top);
    }

    auto* curve = sized(new BezierPathCurveView, {200, 60});
    curve->startPoint = {10, 10};
    curve->endPoint = {190, 10};
    curve->altitude = 40;
    curve->color = ThemedColor::colorNamed("ThemeColor").resolve(page.window.get());
    curve->duration = 0.05;
    curve->isFromDashboard = true;
    page.add(3, 0, "BezierPathCurveView, drawn", curve);
    page.grid->setRowStretch(8, 1);
    page.window->show();
    settle();
    return page.render();
}

QImage inputs(Context&) {
    Page page;
    auto* field = sized(new PVTextField, {220, 32});
    field->cell().placeholderString = "E-mail address";
    field->cell().setPlaceholderTextColor(ThemedColor::colorNamed("TabText").resolve(page.window.get()));
    field->applyCell();
    field->setCursorColor(ThemedColor::colorNamed("ThemeColor").resolve(page.window.get()));
    page.add(0, 0, "PVTextField, placeholder", field);

    auto* filled = sized(new PVTextField, {220, 32});
    filled->setText("user@example.com");
    page.add(0, 1, "PVTextField, text", filled);

    auto* text = sized(new CustomTextField, {220, 32});
    text->setPlaceholderText("Subject");
    page.add(1, 0, "CustomTextField", text);

    auto* search = sized(new CustomSearchField, {220, 32});
    search->setText("Germany");
    page.add(1, 1, "CustomSearchField, with text", search);

    auto* empty = sized(new CustomSearchField, {220, 32});
    empty->setPlaceholderText("Search");
    page.add(2, 0, "CustomSearchField, empty", empty);
    page.grid->setRowStretch(6, 1);
    page.grid->setColumnStretch(2, 1);
    return page.render();
}

QImage segmented(Context&) {
    Page page;
    auto* two = sized(new CustomSegmentedControl, {300, 40});
    page.add(0, 0, "CustomSegmentedControl (VPN selected)", two);
    auto* second = sized(new CustomSegmentedControl, {300, 40});
    second->setSelectedSegmentIndex(1);
    page.add(1, 0, "second segment selected", second);
    auto* three = sized(new CustomSegmentedControl, {300, 40});
    three->setSegmentsTitles("Country, City, Recent");
    three->setSelectedSegmentIndex(2);
    page.add(2, 0, "three segments", three);
    page.grid->setRowStretch(6, 1);
    page.grid->setColumnStretch(1, 1);
    page.window->show();
    settle();  // the pills finish sliding
    return page.render();
}

QImage popup(bool single) {
    Page page;
    page.window->show();
    // The ready-made popups show on the application's first window, which is this page's.
    if (single) PopupManager::shared().showClearPreferencesConnected();
    else PopupManager::shared().showClearPreferences(PreservedPreferences());
    settle();  // faded in
    return page.render();
}

QImage popupTwoButtons(Context&) { return popup(false); }
QImage popupOneButton(Context&) { return popup(true); }

const Registration shots({
    {"controls", "buttons", buttons},
    {"controls", "views", views},
    {"controls", "inputs", inputs},
    {"controls", "segmented", segmented},
    {"controls", "popup", popupTwoButtons},
    {"controls", "popup-single", popupOneButton},
});

}  // namespace
}  // namespace morvex::shots
