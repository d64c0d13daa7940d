#include "ui/preferences/LanguagesViewController.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "state/LanguageManager.h"
#include "ui/kit/Fonts.h"
#include "ui/preferences/AppSettingsStyle.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

using namespace app_settings;

constexpr const char* kImageProperty = "radioImageName";

std::string codeForTag(int tag) { return tag != LanguagesViewController::kGermanTag ? "en" : "de"; }

void setRadio(QPushButton* radio, bool active) {
    if (!radio) return;
    const char* name = active ? "radioActive" : "radioInactive";
    radio->setIcon(appkit::imageNamed(name));
    radio->setProperty(kImageProperty, QString::fromLatin1(name));
}

// A row whose whole area chooses its language, as its radio does.
class LanguageRow : public CustomView {
public:
    using CustomView::CustomView;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        CustomView::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked) clicked();
    }
};

}  // namespace

LanguagesViewController::Collaborators LanguagesViewController::defaults() {
    Collaborators c;
    c.setLanguage = [](const std::string& code) { LanguageManager::shared().setCurrentLanguage(code); };
    c.restart = [] { Alert().runRestartScript(); };
    return c;
}

LanguagesViewController::LanguagesViewController(Collaborators collaborators, QObject* parent)
    : ViewController(parent), c_(std::move(collaborators)) {
    const Collaborators fallback = defaults();
    if (!c_.setLanguage) c_.setLanguage = fallback.setLanguage;
    if (!c_.restart) c_.restart = fallback.restart;
}

LanguagesViewController::~LanguagesViewController() { languageObserver_ = {}; }

void LanguagesViewController::loadView() {
    auto* page = new PageView;
    page->setObjectName(QStringLiteral("LanguagesView"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 16, 20, 20);
    column->setSpacing(10);

    backButton_ = new QPushButton(QString::fromStdString(localized("settings.back")), page);
    backButton_->setObjectName(QStringLiteral("btnBack"));
    backButton_->setIcon(appkit::imageNamed("settingsBackArrow"));
    backButton_->setIconSize(QSize(16, 16));
    backButton_->setFlat(true);
    backButton_->setFocusPolicy(Qt::NoFocus);
    backButton_->setCursor(Qt::PointingHandCursor);
    backButton_->setFont(systemFont(13));
    backButton_->setProperty("morvexTextColor", QStringLiteral("ThemeColor"));
    backButton_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; text-align: left; }"));
    connect(backButton_, &QPushButton::clicked, this, [this] { onBack(); });
    auto* backLine = new QHBoxLayout;
    backLine->addWidget(backButton_);
    backLine->addStretch(1);
    column->addLayout(backLine);

    column->addWidget(label(QString::fromStdString(localized("settings.app.language")), 20, QFont::Bold, "HeadingText", page));
    auto* subtitle = label(QString::fromStdString(localized("languages.subtitle")), 13, QFont::Normal, "TabText", page);
    subtitle->setWordWrap(true);
    column->addWidget(subtitle);
    column->addSpacing(6);

    auto languageRow = [&](int tag, const char* name, QPointer<QPushButton>& radio, QPointer<QLabel>& caption,
                           std::string_view captionKey) {
        auto* row = new LanguageRow(page);
        row->setObjectName(QString::fromLatin1(name));
        row->setBackgroundColor(ThemedColor::colorNamed("BottomColor", Qt::white));
        row->setCornerRadius(12);
        row->setFixedHeight(44);
        row->setCursor(Qt::PointingHandCursor);
        row->clicked = [this, tag] { changeLanguage(tag); };
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(16, 0, 16, 0);
        line->setSpacing(10);
        radio = new QPushButton(row);
        radio->setFlat(true);
        radio->setFocusPolicy(Qt::NoFocus);
        radio->setFixedSize(16, 16);
        radio->setIconSize(QSize(16, 16));
        radio->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; }"));
        connect(radio, &QPushButton::clicked, this, [this, tag] { changeLanguage(tag); });
        line->addWidget(radio);
        caption = label(QString::fromStdString(localized(captionKey)), 14, QFont::Normal, "HeadingText", row);
        line->addWidget(caption, 1);
        column->addWidget(row);
    };
    languageRow(kEnglishTag, "rowEnglish", radioEnglish_, englishLabel_, "language.english");
    radioEnglish_->setObjectName(QStringLiteral("radioEnglish"));
    languageRow(kGermanTag, "rowGerman", radioGerman_, germanLabel_, "language.german");
    radioGerman_->setObjectName(QStringLiteral("radioGerman"));
    column->addStretch(1);

    page->restyle = [page] { restyleTexts(page); };
    setView(page);
}

void LanguagesViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    setRadioImages(storedLanguageCode());
    backButton_->setVisible(showsBackButton);
    languageObserver_ = NotificationCenter::defaultCenter().addObserver(
        languageDidChangeNotification, [this](const Notification&) { setRadioImages(storedLanguageCode()); });
    restyleTexts(view());
}

void LanguagesViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (backButton_) backButton_->setVisible(showsBackButton);
    setRadioImages(storedLanguageCode());
}

void LanguagesViewController::setRadioImages(const std::string& code) {
    setRadio(radioEnglish_, code == "en");
    setRadio(radioGerman_, code == "de");
}

std::string LanguagesViewController::radioImage(int tag) const {
    const QPushButton* radio = tag == kGermanTag ? radioGerman_.data() : radioEnglish_.data();
    return radio ? radio->property(kImageProperty).toString().toStdString() : std::string();
}

void LanguagesViewController::changeLanguage(int tag) {
    const std::string target = codeForTag(tag);
    const std::string current = storedLanguageCode();
    if (target == current) {
        log::print("[Languages] '" + target + "' is the current language; nothing to change.");
        return;
    }
    auto window = QtAlertPresenter::alertWindow(isViewLoaded() ? this->window() : nullptr);
    const auto& vpn = AlertServices::installed().vpn;
    const int status = vpn ? vpn->getCurrentVPNStatus() : zevu::rawValue(zevu::ZevuVPNState::Disconnected);
    if (status == zevu::rawValue(zevu::ZevuVPNState::Connected) || status == zevu::rawValue(zevu::ZevuVPNState::Connecting)) {
        // A restart would take the tunnel down; the language stays as it is.
        Alert().showConfirmLanguageChangeConnected(window);
        return;
    }
    Alert().showConfirmLanguageChange(window, lifetime_.callback<bool>([this, target](bool confirmed) {
        if (!confirmed) return;
        c_.setLanguage(target);
        c_.restart();
    }));
}

void LanguagesViewController::onBack() { NotificationCenter::defaultCenter().post(dismissNotification); }

}  // namespace morvex
