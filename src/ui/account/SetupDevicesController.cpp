#include "ui/account/SetupDevicesController.h"

#include <QEnterEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "appkit/Images.h"
#include "foundation/UserDefaults.h"
#include "state/AppPreferences.h"
#include "ui/account/AccountPage.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/ThemedColor.h"

namespace morvex {

using account::qs;

namespace {

// The sentence with its two key phrases in the heading colour, the second in bold, as rich text. A
// phrase the sentence does not contain is left plain.
QString subtitleMarkup(const QString& sentence, const QString& part1, const QString& part2, const QColor& plain,
                       const QColor& headingColor) {
    std::vector<int> style(static_cast<std::size_t>(sentence.size()), 0);  // 0 plain, 1 part 1, 2 part 2
    auto mark = [&](const QString& part, int kind) {
        const qsizetype at = part.isEmpty() ? -1 : sentence.indexOf(part);
        if (at < 0) return;
        for (qsizetype i = at; i < at + part.size(); ++i) style[static_cast<std::size_t>(i)] = kind;
    };
    mark(part1, 1);
    mark(part2, 2);
    const QString heading = headingColor.name();
    QString html;
    qsizetype i = 0;
    while (i < sentence.size()) {
        const int kind = style[static_cast<std::size_t>(i)];
        qsizetype end = i;
        while (end < sentence.size() && style[static_cast<std::size_t>(end)] == kind) ++end;
        const QString run = sentence.mid(i, end - i).toHtmlEscaped();
        if (kind == 0) html += QStringLiteral("<span style=\"color:%1\">%2</span>").arg(plain.name(), run);
        else if (kind == 1) html += QStringLiteral("<span style=\"color:%1\">%2</span>").arg(heading, run);
        else html += QStringLiteral("<span style=\"color:%1;font-weight:bold\">%2</span>").arg(heading, run);
        i = end;
    }
    return html;
}

struct PlatformBox {
    int tag;
    const char* nameKey;
    const char* image;
};

constexpr PlatformBox kPlatforms[] = {
    {SetupDevicesModel::Desktop, "devices.platform.desktop", "DeviceDesktop"},
    {SetupDevicesModel::Android, "devices.platform.android", "DeviceAndroid"},
    {SetupDevicesModel::IOS, "devices.platform.ios", "DeviceIOS"},
    {SetupDevicesModel::AndroidTV, "devices.platform.androidtv", "DeviceAndroidTV"},
    {SetupDevicesModel::Chrome, "devices.platform.chrome", "DeviceChrome"},
    {SetupDevicesModel::Firefox, "devices.platform.firefox", "DeviceFirefox"},
};

}  // namespace

// ---- a row of the service's list ----

SetupDevicesRow::SetupDevicesRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SetupDevicesRow"));
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    backgroundBox = new QFrame(this);
    backgroundBox->setObjectName(QStringLiteral("backgroundBox"));
    backgroundBox->setAutoFillBackground(true);
    outer->addWidget(backgroundBox);
    auto* row = new QHBoxLayout(backgroundBox);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(10);
    icon = new QLabel(backgroundBox);
    icon->setFixedSize(24, 24);
    icon->setScaledContents(true);
    title = account::makeLabel(backgroundBox, {}, "HeadingText", 14);
    row->addWidget(icon);
    row->addWidget(title, 1);
    setFixedHeight(44);
}

void SetupDevicesRow::setObjectValue(const SetupDevicesModel::Devices::Device& device) {
    value_ = device;
    title->setText(qs(device.name));
    refreshIcon();
}

void SetupDevicesRow::refreshIcon() {
    if (!value_) return;
    iconImage_ = SetupDevicesModel::iconOf(*value_, effectiveAppearance(this) == appkit::Appearance::DarkAqua);
    icon->setPixmap(iconImage_.isNull() ? QPixmap() : QPixmap::fromImage(iconImage_));
}

void SetupDevicesRow::paintBox() {
    // Entering and leaving paint the same colour: the hover look is the row's, not a toggle.
    QPalette palette = backgroundBox->palette();
    palette.setColor(QPalette::Window, account::namedColor(this, "DeepNavy"));
    backgroundBox->setPalette(palette);
    title->setPalette([&] {
        QPalette p = title->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        return p;
    }());
}

void SetupDevicesRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovered = true;
    paintBox();
}

void SetupDevicesRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovered = false;
    paintBox();
}

void SetupDevicesRow::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) openURLClicked();
}

void SetupDevicesRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) refreshIcon();
}

void SetupDevicesRow::openURLClicked() {
    if (!value_) return;
    if (auto page = SetupDevicesModel::pageOf(*value_)) account::openWebPage(*page);
}

// ---- the page ----

SetupDevicesController::SetupDevicesController(QObject* parent) : ViewController(parent) {}

void SetupDevicesController::loadView() {
    QVBoxLayout* column = nullptr;
    QWidget* page = account::makePage("SetupDevicesView", account::text("devices.title"), &column);
    lblDesp = new QLabel(page);
    lblDesp->setObjectName(QStringLiteral("lblDesp"));
    lblDesp->setFont(systemFont(15));
    lblDesp->setWordWrap(true);
    lblDesp->setTextFormat(Qt::RichText);
    column->addWidget(lblDesp);
    column->addSpacing(8);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(16);
    platformButtons.assign(std::size(kPlatforms), nullptr);
    int index = 0;
    for (const PlatformBox& platform : kPlatforms) {
        auto* box = new CustomView(page);
        box->setObjectName(QStringLiteral("platform%1").arg(platform.tag));
        box->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
        box->setCornerRadius(12);
        box->setMinimumHeight(150);
        auto* inside = new QVBoxLayout(box);
        inside->setContentsMargins(20, 20, 20, 20);
        inside->setSpacing(10);
        auto* image = new QLabel(box);
        image->setPixmap(appkit::imageNamed(platform.image, QSize(32, 32)));
        image->setAlignment(Qt::AlignCenter);
        inside->addWidget(image);
        QLabel* name = account::makeLabel(box, account::text(platform.nameKey), "HeadingText", 14, true);
        name->setAlignment(Qt::AlignCenter);
        inside->addWidget(name);
        QPushButton* button = account::makeButton(box, account::text("devices.get.app"));
        button->setObjectName(QStringLiteral("platformButton%1").arg(platform.tag));
        button->setProperty("tag", platform.tag);
        const int tag = platform.tag;
        connect(button, &QPushButton::clicked, this, [this, tag] { openUrl(tag); });
        inside->addWidget(button, 0, Qt::AlignHCenter);
        platformButtons[static_cast<std::size_t>(platform.tag)] = button;
        grid->addWidget(box, index / 3, index % 3);
        ++index;
    }
    column->addLayout(grid);
    auto* status = new QHBoxLayout;
    errorLabel = account::makeLabel(page, {}, "Error", 13);
    errorLabel->setObjectName(QStringLiteral("errorMessage"));
    errorLabel->setWordWrap(true);
    status->addWidget(errorLabel, 1);
    retryButton = account::makeButton(page, account::text("retry"), false);
    retryButton->setObjectName(QStringLiteral("retryButton"));
    connect(retryButton, &QPushButton::clicked, this, [this] { fetchDevices(); });
    status->addWidget(retryButton);
    column->addLayout(status);
    rows_ = new QVBoxLayout;
    rows_->setSpacing(8);
    column->addLayout(rows_);
    column->addStretch(1);
    setView(page);
    rebuildRows();
    refreshStatus();
}

void SetupDevicesController::viewDidLoad() {
    ViewController::viewDidLoad();
    lblDesp->setText(subtitleMarkup(account::text("setup_devices_subtitle"), account::text("setup_devices_subtitle_1"), account::text("setup_devices_subtitle_2"),
                                    account::namedColor(lblDesp, "TabText"), account::namedColor(lblDesp, "HeadingText")));
}

void SetupDevicesController::viewWillAppear() {
    ViewController::viewWillAppear();
    fetchDevices();
}

void SetupDevicesController::fetchDevices() {
    if (loading) return;
    loading = true;
    refreshStatus();
    QPointer<SetupDevicesController> self(this);
    model.fetchDevices(lifetime_.guard([self](Result<SetupDevicesModel::Devices> result) {
        if (!self) return;
        self->loading = false;
        if (result) {
            self->errorMessage.reset();
            self->setContent(std::move(result->devices));
        } else {
            self->errorMessage = account::text("devices.load.failed").toStdString();
        }
        self->refreshStatus();
    }));
}

void SetupDevicesController::refreshStatus() {
    if (!isViewLoaded()) return;
    if (errorLabel) {
        errorLabel->setText(errorMessage ? QString::fromStdString(*errorMessage) : QString());
        errorLabel->setVisible(errorMessage.has_value());
    }
    if (retryButton) {
        retryButton->setVisible(errorMessage.has_value());
        retryButton->setEnabled(!loading);
    }
}

void SetupDevicesController::openUrl(int tag) {
    const auto language = UserDefaults::standard().string(AppPreferences::Key::preferredLanguageCode);
    if (auto page = SetupDevicesModel::pageForTag(tag, language)) account::openWebPage(*page);
}

void SetupDevicesController::setContent(std::optional<std::vector<SetupDevicesModel::Devices::Device>> devices) {
    content_ = std::move(devices);
    rebuildRows();
}

void SetupDevicesController::rebuildRows() {
    if (!rows_) return;
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (!content_) return;
    for (const auto& device : *content_) {
        auto* row = new SetupDevicesRow(view());
        row->setObjectValue(device);
        rows_->addWidget(row);
    }
}

}  // namespace morvex
