#include "appkit/AlertSheet.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "appkit/Colors.h"
#include "appkit/Window.h"

namespace morvex::appkit {

namespace {
constexpr int kWidth = 420;
constexpr int kIconSize = 64;

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QIcon iconFor(AlertStyle style) {
    QStyle* s = QApplication::style();
    if (style == AlertStyle::Critical) return s->standardIcon(QStyle::SP_MessageBoxWarning);
    QIcon app = QGuiApplication::windowIcon();
    return app.isNull() ? s->standardIcon(QStyle::SP_MessageBoxInformation) : app;
}
}  // namespace

AlertSheet::AlertSheet() { setObjectName(QStringLiteral("AlertSheet")); }

void AlertSheet::setMessageText(std::string_view text) { message_ = std::string(text); }

void AlertSheet::setInformativeText(std::string_view text) { informative_ = std::string(text); }

QPushButton* AlertSheet::addButton(std::string_view title) {
    auto* button = new QPushButton(qs(title), this);
    const ModalResponse response = modal::firstButton + ModalResponse(buttons_.size());
    button->setProperty("modalResponse", QVariant::fromValue<qlonglong>(response));
    connect(button, &QPushButton::clicked, this, [this, response] { end(response); });
    buttons_.push_back(button);
    return button;
}

void AlertSheet::setAccessoryView(QWidget* view) {
    if (accessory_ && accessory_ != view) delete accessory_.data();
    accessory_ = view;
    if (view) view->setParent(this);
}

void AlertSheet::build() {
    if (built_) return;
    built_ = true;
    if (buttons_.empty()) addButton("OK");

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 16);
    outer->setSpacing(16);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("alertIcon"));
    icon->setPixmap(iconFor(style_).pixmap(kIconSize, kIconSize));
    icon->setFixedSize(kIconSize, kIconSize);
    outer->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    outer->addLayout(column, 1);

    auto* message = new QLabel(qs(message_), this);
    message->setObjectName(QStringLiteral("alertMessage"));
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    QFont title = message->font();
    title.setBold(true);
    title.setPixelSize(20);
    message->setFont(title);
    column->addWidget(message);

    if (!informative_.empty()) {
        auto* informative = new QLabel(qs(informative_), this);
        informative->setObjectName(QStringLiteral("alertInformative"));
        informative->setWordWrap(true);
        informative->setTextFormat(Qt::PlainText);
        QFont body = informative->font();
        body.setPixelSize(14);
        informative->setFont(body);
        column->addWidget(informative);
    }
    if (accessory_) column->addWidget(accessory_);

    // The first button stands rightmost and answers Return, as people expect of the main choice.
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
        (*it)->setMinimumWidth(80);
        row->addWidget(*it);
    }
    buttons_.front()->setDefault(true);
    buttons_.front()->setFocus();
    column->addSpacing(10);
    column->addLayout(row);

    // Titles and body in the heading colour of the alert's appearance.
    const Appearance appearance = Application::shared().effectiveAppearance();
    QPalette text = palette();
    text.setColor(QPalette::WindowText, colorNamed("HeadingText", appearance, text.color(QPalette::WindowText)));
    message->setPalette(text);
    for (auto* label : findChildren<QLabel*>(QStringLiteral("alertInformative"))) label->setPalette(text);
    // The card itself, as every card of the interface.
    QPalette card = palette();
    card.setColor(QPalette::Window, colorNamed("BottomColor", appearance, card.color(QPalette::Window)));
    setPalette(card);
    setAutoFillBackground(true);

    setFixedWidth(kWidth);
    adjustSize();
}

bool AlertSheet::beginSheetModalForWindow(Window* window, std::function<void(ModalResponse)> completion) {
    if (!window) {
        deleteLater();
        return false;
    }
    build();
    window->beginSheet(this, std::move(completion));
    return true;
}

ModalResponse AlertSheet::runModal() {
    build();
    return Sheet::runModal();
}

}  // namespace morvex::appkit
