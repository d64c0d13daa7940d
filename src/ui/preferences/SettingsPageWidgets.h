#pragma once
// The pieces the VPN, general and advanced pages and the location picker are built from: a page
// ground that restyles its texts and pop-ups between light and dark, white cards, the
// image-drawn switch with its "On"/"Off" word, titles, captions and link buttons.
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <string>

#include "ui/kit/LayerViews.h"

class QHBoxLayout;
class QScrollArea;
class QVBoxLayout;

namespace morvex {

// The ground of a page (`WindowBackground`): its style sheet colours the texts, pop-ups and link
// buttons inside it for the appearance it is drawn in, again whenever that changes.
class SettingsPageView : public CustomView {
    Q_OBJECT
public:
    explicit SettingsPageView(QWidget* parent = nullptr);
    void applyStyle();

protected:
    void viewDidChangeEffectiveAppearance() override;
    void showEvent(QShowEvent* event) override;
};

// A card of rows (`BottomColor`, radius 12).
// The frame of a settings page: a vertical column of cards inside a scroll area that fills the
// page and never scrolls sideways. `scroll` is the area to use (one that handles the wheel its own
// way), or null for a plain one; the column has the pages' margins with `bottomMargin` below.
struct SettingsScrollPage {
    SettingsPageView* root;
    QScrollArea* scroll;
    QWidget* document;
    QVBoxLayout* column;
};
SettingsScrollPage makeSettingsScrollPage(const char* name, QScrollArea* scroll = nullptr, int bottomMargin = 24);

CustomView* settingsCard(QWidget* parent, const char* name);

// Texts: a row title (14, HeadingText), a caption (13 or 12, TabText), a page title (20 bold).
QLabel* settingsTitle(QWidget* parent, const char* name, const std::string& text);
QLabel* settingsCaption(QWidget* parent, const char* name, const std::string& text, int pixelSize = 13);
QLabel* settingsPageTitle(QWidget* parent, const char* name, const std::string& text);

// A text button drawn as a link (ThemeColor, pointing hand).
QPushButton* settingsLink(QWidget* parent, const char* name, const std::string& title);
// A bordered button (the clear-preferences one).
QPushButton* settingsButton(QWidget* parent, const char* name, const std::string& title);

// The image-drawn switch: checkable, so a click turns its state as a button's does before the
// action runs; `setOn` draws "toggle_switch_on"/"toggle_switch_off" and checks it.
class SettingsToggle : public QPushButton {
    Q_OBJECT
public:
    explicit SettingsToggle(QWidget* parent = nullptr);
    void setOn(bool on);
    // The name of the image it shows.
    const char* imageName() const { return imageName_; }

private:
    const char* imageName_ = "toggle_switch_off";
};

// A switch with its "On"/"Off" word (in the user's language) before it, as the VPN page shows them.
struct LabelledToggle {
    SettingsToggle* toggle = nullptr;
    QLabel* status = nullptr;
    void set(bool on);
};
LabelledToggle labelledToggle(QWidget* parent, const char* name, QHBoxLayout* row);

QString qtext(const std::string& text);

// The flag of a location code (any case) as a circle with its border for the look `widget` is
// drawn in; the globe for an empty code.
QPixmap settingsFlag(const std::string& code, int side, const QWidget* widget);

}  // namespace morvex
