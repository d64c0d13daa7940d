#include "ui/account/SwitchAccountViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "api/Networking.h"
#include "appkit/Images.h"
#include "ui/account/AccountPage.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/ThemedColor.h"

namespace morvex {

using account::qs;

namespace {

constexpr int kRowHeight = 52;

SwitchAccountModel defaultModel() {
    User user;
    return SwitchAccountModel(&Networking::shared(), PreservedPreferences(), user, std::make_shared<UserAuthentication>());
}

// The list's style sheet reaches the rows and would paint over a palette alone, so the row's
// colours go into both.
void paintText(QLabel* label, const QColor& colour) {
    account::setTextColor(label, colour);
    label->setStyleSheet(QStringLiteral("color:%1;").arg(colour.name(QColor::HexArgb)));
}

bool isDark(const QWidget* widget) { return effectiveAppearance(widget) == appkit::Appearance::DarkAqua; }

// The row's own plum reads on a light ground only; on a dark one the row takes the body colour.
QColor nameColor(const QWidget* widget) { return account::namedColor(widget, isDark(widget) ? "HeadingText" : "PlumText"); }

}  // namespace

// ---- the row ----

AccountRowView::AccountRowView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Account"));
    setFixedHeight(kRowHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 6, 16, 6);
    row->setSpacing(10);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    userName = new QLabel(this);
    userName->setTextFormat(Qt::PlainText);  // the service's account name
    userName->setObjectName(QStringLiteral("userName"));
    userName->setFont(systemFont(14, QFont::Medium));
    userStatus = new QLabel(this);
    userStatus->setTextFormat(Qt::PlainText);
    userStatus->setObjectName(QStringLiteral("userStatus"));
    userStatus->setFont(systemFont(12));
    texts->addWidget(userName);
    texts->addWidget(userStatus);
    row->addLayout(texts, 1);
    imageView = new QLabel(this);
    imageView->setObjectName(QStringLiteral("imageView"));
    imageView->setFixedSize(16, 16);
    row->addWidget(imageView);
}

void AccountRowView::setImage(std::string name) {
    imageName_ = std::move(name);
    imageView->setPixmap(imageName_.empty() ? QPixmap() : appkit::imageNamed(imageName_, QSize(16, 16)));
}

void AccountRowView::configure(const UserAuthentication::VPNAccount& account, const std::optional<std::string>& usernameInUse) {
    userName->setText(qs(account.username));
    paintText(userStatus, account::namedColor(this, "TabText"));
    const auto status = userStatusFromRaw(account.status);
    const std::string stated = account::codeText(account.status);
    if (status == User::Status::Active || status == User::Status::Paid) {
        userStatus->clear();
        setImage({});
    } else {
        userStatus->setText(QString::fromStdString(localized("switch.account.status %@")).replace(QStringLiteral("%@"), qs(stated)));
        // The dot marks the state; the words stay readable (failure red, secondary grey).
        if (status == User::Status::Expired) {
            paintText(userStatus, account::namedColor(this, "Error"));
            setImage("ExpireDot");
        } else if (status == User::Status::Disabled) {
            paintText(userStatus, account::namedColor(this, "TabText"));
            setImage("DisableDot");
        }
    }
    userStatus->setVisible(!userStatus->text().isEmpty());
    paintText(userName, nameColor(this));
    // The mark of the account in use is drawn in the body colour of the look.
    if (usernameInUse && *usernameInUse == account.username) setImage(isDark(this) ? "BlackMarkDark" : "BlackMark");
    if (account.isSelected) {
        paintText(userName, Qt::white);
        paintText(userStatus, Qt::white);
    }
    selected_ = account.isSelected;
    update();
}

void AccountRowView::paintEvent(QPaintEvent* event) {
    if (selected_) {
        QPainter painter(this);
        painter.fillRect(rect(), account::namedColor(this, "LinkBlue"));
    }
    QWidget::paintEvent(event);
}

// ---- the sheet ----

SwitchAccountViewController::SwitchAccountViewController(QObject* parent)
    : SwitchAccountViewController(defaultModel(), parent) {}

SwitchAccountViewController::SwitchAccountViewController(SwitchAccountModel model, QObject* parent)
    : ViewController(parent), model_(std::move(model)) {
    setPreferredContentSize(QSize(420, 380));
}

void SwitchAccountViewController::loadView() {
    auto* sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("SwitchAccountView"));
    sheet->setMinimumSize(preferredContentSize());
    sheet->setAutoFillBackground(true);
    QPalette palette = sheet->palette();
    palette.setColor(QPalette::Window, account::namedColor(sheet, "PopupBGColorNew"));
    sheet->setPalette(palette);
    auto* column = new QVBoxLayout(sheet);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    QLabel* title = account::makeLabel(sheet, account::text("switch.account.title"), "PopupTitleColor", 20, true);
    title->setObjectName(QStringLiteral("title"));
    column->addWidget(title);
    QLabel* subtitle = account::makeLabel(sheet, account::text("switch.account.subtitle"), "PopupContentColor", 14);
    subtitle->setWordWrap(true);
    column->addWidget(subtitle);

    tableView = new QListWidget(sheet);
    tableView->setObjectName(QStringLiteral("accounts"));
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setFocusPolicy(Qt::NoFocus);
    tableView->setStyleSheet(QStringLiteral("QListWidget{border:1px solid %1;border-radius:10px;background:%2;}"
                                            "QListWidget::item{border-bottom:1px solid %1;}"
                                            "QListWidget::item:selected{background:transparent;}")
                                 .arg(account::namedColor(sheet, "Separator").name(), account::namedColor(sheet, "BottomColor").name()));
    connect(tableView, &QListWidget::currentRowChanged, this, [this](int row) { selectionDidChange(row); });
    column->addWidget(tableView, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancelButton = account::makeButton(sheet, account::text("switch.account.cancel"), false);
    cancelButton->setObjectName(QStringLiteral("cancel"));
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    switchButton = account::makeButton(sheet, account::text("switch.account.switch"));
    switchButton->setObjectName(QStringLiteral("switch"));
    connect(switchButton, &QPushButton::clicked, this, [this] { switchAccount(); });
    buttons->addWidget(cancelButton);
    buttons->addWidget(switchButton);
    column->addLayout(buttons);
    setView(sheet);
    reloadRows();
}

void SwitchAccountViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    switchButtonDisable = true;
    refreshButtons();
}

void SwitchAccountViewController::reloadRows() {
    accounts_ = model_.userAccounts();
    if (!tableView) return;
    const QSignalBlocker quiet(tableView);
    tableView->clear();
    for (std::size_t i = 0; i < accounts_.size(); ++i) {
        auto* item = new QListWidgetItem(tableView);
        item->setSizeHint(QSize(0, kRowHeight));
        auto* row = new AccountRowView;
        fetchingAccountStatus = true;
        row->configure(accounts_[i], model_.userPreference.vpnUsername());
        tableView->setItemWidget(item, row);
    }
    refreshButtons();
}

AccountRowView* SwitchAccountViewController::rowView(int row) const {
    if (!tableView || row < 0 || row >= tableView->count()) return nullptr;
    return qobject_cast<AccountRowView*>(tableView->itemWidget(tableView->item(row)));
}

void SwitchAccountViewController::selectionDidChange(int row) {
    if (row < 0 || row >= static_cast<int>(accounts_.size())) return;
    model_.selectedAccount = accounts_[static_cast<std::size_t>(row)];
    const auto inUse = model_.userPreference.vpnUsername();
    switchButtonDisable = inUse && *inUse == model_.selectedAccount->username;
    fetchingAccountStatus = true;
    for (auto& account : accounts_) account.isSelected = false;
    accounts_[static_cast<std::size_t>(row)].isSelected = true;
    model_.selectedAccount->isSelected = true;
    for (int i = 0; i < static_cast<int>(accounts_.size()); ++i)
        if (AccountRowView* view = rowView(i)) view->configure(accounts_[static_cast<std::size_t>(i)], inUse);
    refreshButtons();
}

void SwitchAccountViewController::refreshButtons() {
    if (switchButton) switchButton->setEnabled(!switchButtonDisable);
}

void SwitchAccountViewController::switchAccount() {
    // The button is disabled for the account in use and before any choice; a click that still
    // arrives then (a key press, a script) chooses nothing.
    if (switchButtonDisable || !model_.selectedAccount) return;
    if (delegate) delegate->selectAccount(*model_.selectedAccount);
    dismiss(this);
}

void SwitchAccountViewController::cancel() {
    if (delegate) delegate->accountChoiceCancelled();
    dismiss(this);
}

}  // namespace morvex
