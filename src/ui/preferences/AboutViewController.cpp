#include "ui/preferences/AboutViewController.h"

#include <QHBoxLayout>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "alerts/AlertServices.h"
#include "alerts/BaseViewController.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "model/BundleInfo.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"
#include "ui/kit/Fonts.h"
#include "ui/preferences/AppSettingsStyle.h"
#include "ui/preferences/AppSettingsViewController.h"

namespace morvex {

namespace {

using namespace app_settings;

QString text(std::string_view key) { return QString::fromStdString(localized(key)); }

}  // namespace

SpaceTextView::SpaceTextView(QWidget* parent) : QLabel(parent) {
    setWordWrap(true);
    setTextFormat(Qt::AutoText);
}

void SpaceTextView::setSpaceBetweenLines(double points) {
    spaceBetweenLines_ = points;
    // The field's plain text again, every line the font's height plus the spacing apart; font and
    // colour stay the field's own.
    const QString plain = textFormat() == Qt::RichText || Qt::mightBeRichText(text()) ? QTextDocumentFragment::fromHtml(text()).toPlainText() : text();
    const int lineHeight = fontMetrics().height() + static_cast<int>(points);
    setTextFormat(Qt::RichText);
    setText(QStringLiteral("<div style=\"line-height: %1px;\">%2</div>").arg(lineHeight).arg(plain.toHtmlEscaped()));
}

AboutViewController::AboutViewController(VersionCheck versionCheck, QObject* parent)
    : ViewController(parent), versionCheck_(std::move(versionCheck)) {
    if (!versionCheck_) versionCheck_ = AppSettingsViewController::defaults().versionCheck;
}

void AboutViewController::loadView() {
    auto* page = new PageView;
    page->setObjectName(QStringLiteral("AboutView"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 16, 20, 20);
    column->setSpacing(10);

    backButton_ = textButton(text("settings.back"), "ThemeColor", page, false);
    backButton_->setObjectName(QStringLiteral("btnBack"));
    backButton_->setIcon(appkit::imageNamed("settingsBackArrow"));
    backButton_->setIconSize(QSize(16, 16));
    backButton_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; text-align: left; }"));
    connect(backButton_, &QPushButton::clicked, this, [this] { bacAction(); });
    auto* backLine = new QHBoxLayout;
    backLine->addWidget(backButton_);
    backLine->addStretch(1);
    column->addLayout(backLine);

    CustomView* box = card(page);
    box->setObjectName(QStringLiteral("aboutCard"));
    auto* inner = new QVBoxLayout(box);
    inner->setContentsMargins(20, 20, 20, 20);
    inner->setSpacing(10);
    auto* head = new QHBoxLayout;
    head->setSpacing(12);
    auto* logo = new QLabel(box);
    logo->setObjectName(QStringLiteral("aboutLogo"));
    logo->setPixmap(appkit::imageNamed("Logo_doc", QSize(48, 48)));
    logo->setFixedSize(48, 48);
    head->addWidget(logo);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(label(text("about.title"), 20, QFont::Bold, "HeadingText", box));
    auto* versionLine = new QHBoxLayout;
    versionLine->setSpacing(4);
    versionLine->addWidget(label(text("about.version"), 13, QFont::Normal, "TabText", box));
    versionLabel_ = label(QString(), 13, QFont::Normal, "TabText", box);
    versionLabel_->setObjectName(QStringLiteral("versionLabel"));
    versionLine->addWidget(versionLabel_);
    versionLine->addStretch(1);
    titles->addLayout(versionLine);
    head->addLayout(titles, 1);
    inner->addLayout(head);

    detailText_ = new SpaceTextView(box);
    detailText_->setObjectName(QStringLiteral("detailText"));
    detailText_->setFont(systemFont(14));
    detailText_->setProperty("morvexTextColor", QStringLiteral("HeadingText"));
    detailText_->setText(text("about.detail"));
    detailText_->setSpaceBetweenLines(6);
    inner->addWidget(detailText_);

    inner->addSpacing(4);
    auto* actions = new QHBoxLayout;
    readMoreButton_ = textButton(text("about.read.more"), "ThemeColor", box);
    readMoreButton_->setObjectName(QStringLiteral("btnReadMore"));
    connect(readMoreButton_, &QPushButton::clicked, this, [this] { readmoreBtnClicked(); });
    actions->addWidget(readMoreButton_);
    actions->addStretch(1);
    checkForUpdateButton_ = textButton(text("settings.app.check.update"), "ThemeColor", box);
    checkForUpdateButton_->setObjectName(QStringLiteral("btnCheckForUpdate"));
    connect(checkForUpdateButton_, &QPushButton::clicked, this, [this] { checkForUpdate(); });
    actions->addWidget(checkForUpdateButton_);
    inner->addLayout(actions);
    column->addWidget(box);
    column->addStretch(1);

    page->restyle = [page] { restyleTexts(page); };
    setView(page);
}

void AboutViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    versionLabel_->setText(QString::fromStdString(infoShortVersionString()));
    restyleTexts(view());
}

void AboutViewController::bacAction() { BaseViewController().back(); }

void AboutViewController::readmoreBtnClicked() {
    const auto& open = AlertServices::installed().openURL;
    if (open) open(webLinkWithQueryItems(urlString(WebLink::Product)));
}

void AboutViewController::checkForUpdate() { AppSettingsViewController::checkForUpdate(versionCheck_, lifetime_); }

}  // namespace morvex
