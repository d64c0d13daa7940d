#include "ui/preferences/SettingsPageWidgets.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/BundleResources.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/kit/ThemedColor.h"

namespace morvex {

namespace {

QString named(const char* name, const QWidget* widget, const QColor& fallback) {
    return ThemedColor::colorNamed(name, fallback).resolve(widget).name(QColor::HexArgb);
}

QFont sized(QFont font, int pixelSize, QFont::Weight weight) {
    font.setPixelSize(pixelSize);  // the look's points are pixels at 100 % scale
    font.setWeight(weight);
    return font;
}

}  // namespace

QString qtext(const std::string& text) { return QString::fromStdString(text); }

QPixmap settingsFlag(const std::string& code, int side, const QWidget* widget) {
    if (code.empty()) return appkit::imageNamed("ic_flag", QSize(side, side));
    const bool dark = effectiveAppearance(widget) == appkit::Appearance::DarkAqua;
    const QColor border = dark ? QColor(Qt::white) : ThemedColor::colorNamed("FlagBorderLight", QColor(34, 47, 56)).resolve(widget);
    return dashboard::roundFlag(QString::fromStdString(code).toLower().toStdString(), side, border);
}

SettingsPageView::SettingsPageView(QWidget* parent) : CustomView(parent) {
    setBackgroundColor(ThemedColor::colorNamed("WindowBackground", QColor(0xF6, 0xF6, 0xF6)));
    applyStyle();
}

void SettingsPageView::applyStyle() {
    const QString heading = named("HeadingText", this, QColor(0x1C, 0x1C, 0x1C));
    const QString secondary = named("TabText", this, QColor(0x62, 0x68, 0x6E));
    const QString theme = named("ThemeColor", this, QColor(0x47, 0x72, 0xA5));
    const QString card = named("BottomColor", this, Qt::white);
    const QString separator = named("Separator", this, QColor(0xDE, 0xE2, 0xE6));
    const QString error = named("Error", this, QColor(0xD9, 0x3F, 0x36));
    const auto arrowFile = morvex::imageNamed("arrow_detail_down");
    const QString arrow = arrowFile ? QString::fromStdString(arrowFile->string()) : QString();
    setStyleSheet(QStringLiteral(
                      "QLabel { color: %1; background: transparent; }"
                      "QLabel[role=\"secondary\"] { color: %2; }"
                      "QLabel[role=\"error\"] { color: %6; }"
                      "QPushButton[role=\"link\"] { color: %3; background: transparent; border: none; padding: 0; text-align: left; }"
                      "QPushButton[role=\"link\"]:disabled { color: %2; }"
                      "QPushButton[role=\"bordered\"] { color: %3; background: %4; border: 1px solid %5; border-radius: 8px; padding: 0 16px; }"
                      "QPushButton[role=\"toggle\"] { background: transparent; border: none; }"
                      "QComboBox { color: %1; background: %4; border: 1px solid %5; border-radius: 6px; padding: 2px 8px; }"
                      "QComboBox::drop-down { border: none; width: 22px; }"
                      "QComboBox::down-arrow { image: url(%7); width: 12px; height: 12px; }"
                      "QComboBox QAbstractItemView { color: %1; background: %4; selection-background-color: %3; selection-color: white; }"
                      "QListWidget { color: %1; background: %4; border: none; }"
                      "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; border: none; }"
                      "QScrollBar:vertical { background: transparent; width: 8px; margin: 4px 2px 4px 0; }"
                      "QScrollBar::handle:vertical { background: %5; border-radius: 3px; min-height: 30px; }"
                      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
                      .arg(heading, secondary, theme, card, separator, error, arrow));
}

void SettingsPageView::viewDidChangeEffectiveAppearance() { applyStyle(); }

void SettingsPageView::showEvent(QShowEvent* event) {
    CustomView::showEvent(event);
    applyStyle();
}

CustomView* settingsCard(QWidget* parent, const char* name) {
    auto* card = new CustomView(parent);
    card->setObjectName(QString::fromLatin1(name));
    card->setBackgroundColor(ThemedColor::colorNamed("BottomColor", Qt::white));
    card->setCornerRadius(12);
    return card;
}

QLabel* settingsTitle(QWidget* parent, const char* name, const std::string& text) {
    auto* l = new QLabel(qtext(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(sized(l->font(), 14, QFont::Medium));
    return l;
}

QLabel* settingsCaption(QWidget* parent, const char* name, const std::string& text, int pixelSize) {
    auto* l = new QLabel(qtext(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setProperty("role", QStringLiteral("secondary"));
    l->setFont(sized(l->font(), pixelSize, QFont::Normal));
    l->setWordWrap(true);
    // A wrapping text asks for a wide line by default; here it wraps to whatever the row leaves.
    l->setMinimumWidth(80);
    return l;
}

QLabel* settingsPageTitle(QWidget* parent, const char* name, const std::string& text) {
    auto* l = new QLabel(qtext(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(sized(l->font(), 20, QFont::Bold));
    return l;
}

QPushButton* settingsLink(QWidget* parent, const char* name, const std::string& title) {
    auto* b = new QPushButton(qtext(title), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setProperty("role", QStringLiteral("link"));
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFont(sized(b->font(), 13, QFont::Medium));
    return b;
}

QPushButton* settingsButton(QWidget* parent, const char* name, const std::string& title) {
    auto* b = new QPushButton(qtext(title), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setProperty("role", QStringLiteral("bordered"));
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedHeight(30);
    b->setFont(sized(b->font(), 13, QFont::Normal));
    return b;
}

SettingsToggle::SettingsToggle(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setFlat(true);
    setProperty("role", QStringLiteral("toggle"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(40, 24);
    setIconSize(QSize(40, 24));
    setOn(false);
}

void SettingsToggle::setOn(bool on) {
    setChecked(on);
    imageName_ = on ? "toggle_switch_on" : "toggle_switch_off";
    setIcon(appkit::imageNamed(imageName_));
}

void LabelledToggle::set(bool on) {
    toggle->setOn(on);
    status->setText(QString::fromStdString(localized(on ? "switch.on" : "switch.off")));
}

LabelledToggle labelledToggle(QWidget* parent, const char* name, QHBoxLayout* row) {
    LabelledToggle t;
    t.status = settingsCaption(parent, (std::string(name) + "Status").c_str(), localized("switch.off"));
    t.status->setWordWrap(false);
    t.status->setMinimumWidth(24);
    t.status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    t.toggle = new SettingsToggle(parent);
    t.toggle->setObjectName(QString::fromLatin1(name));
    row->addWidget(t.status);
    row->addSpacing(8);
    row->addWidget(t.toggle);
    return t;
}

SettingsScrollPage makeSettingsScrollPage(const char* name, QScrollArea* scroll, int bottomMargin) {
    auto* root = new SettingsPageView;
    root->setObjectName(QString::fromUtf8(name));
    auto* rootLayout = new QVBoxLayout(root);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    if (!scroll) scroll = new QScrollArea;
    scroll->setParent(root);
    scroll->setObjectName(QStringLiteral("scrollView"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rootLayout->addWidget(scroll);

    auto* document = new QWidget;
    document->setObjectName(QStringLiteral("documentView"));
    auto* column = new QVBoxLayout(document);
    column->setContentsMargins(24, 20, 24, bottomMargin);
    column->setSpacing(12);
    scroll->setWidget(document);
    return {root, scroll, document, column};
}

}  // namespace morvex
