#include "ui/kit/NotificationBarController.h"

#include <QEvent>
#include <algorithm>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "appkit/Images.h"

namespace morvex {

namespace {
QColor rgba(const std::array<double, 4>& c) { return QColor::fromRgbF(c[0], c[1], c[2], c[3]); }

QString html(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

// The notice text: the title in bold plum, then the message in regular weight. Blanks are kept as
// written (the expired notice has none between the two), and a long text wraps at them.
QString richText(const NotificationBarModel::Text& text) {
    return QStringLiteral("<span style=\"white-space:pre-wrap\"><b style=\"color:%1\">%2</b>%3</span>")
        .arg(rgba(NotificationBarTypes::titleColor()).name(), html(text.title), html(text.rest));
}
}  // namespace

NotificationBarController::NotificationBarController(NotificationCenter& centre, QObject* parent)
    : ViewController(parent), model_(std::make_unique<NotificationBarModel>(centre)) {}

NotificationBarController::~NotificationBarController() {
    if (host_) host_->removeEventFilter(this);
}

void NotificationBarController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("NotificationBar"));
    auto* outer = new QHBoxLayout(view);
    outer->setContentsMargins(0, 0, 0, 0);
    boxView_ = new QFrame(view);
    boxView_->setObjectName(QStringLiteral("boxView"));
    boxView_->setAutoFillBackground(true);
    outer->addWidget(boxView_);

    auto* row = new QHBoxLayout(boxView_);
    // Two lines of the 11-point text fit the bar's usual height; a longer one makes it grow.
    row->setContentsMargins(16, kTextMargin, 8, kTextMargin);
    row->setSpacing(8);
    message_ = new QLabel(boxView_);
    message_->setObjectName(QStringLiteral("message"));
    message_->setTextFormat(Qt::RichText);
    message_->setWordWrap(true);
    QFont font = message_->font();
    font.setPixelSize(11);
    message_->setFont(font);
    QPalette textPalette = message_->palette();
    textPalette.setColor(QPalette::WindowText, QColor(0x1C, 0x1C, 0x1C));
    message_->setPalette(textPalette);
    row->addWidget(message_, 1);

    auto makeButton = [&](const char* name) {
        auto* button = new QPushButton(boxView_);
        button->setObjectName(QString::fromLatin1(name));
        button->setCursor(Qt::PointingHandCursor);
        button->setFixedHeight(24);
        button->setStyleSheet(QStringLiteral(
            "QPushButton { background: white; color: #432260; border: none; border-radius: 6px;"
            " padding: 0 12px; font-size: 11px; font-weight: 600; }"
            "QPushButton:hover { background: #F6F6F6; }"));
        row->addWidget(button);
        return button;
    };
    primary_ = makeButton("primaryButton");
    secondary_ = makeButton("secondaryButton");
    close_ = new QToolButton(boxView_);
    close_->setObjectName(QStringLiteral("closeButton"));
    close_->setAutoRaise(true);
    close_->setCursor(Qt::PointingHandCursor);
    close_->setIcon(appkit::imageNamed("NotificationBarClose"));
    close_->setIconSize(QSize(16, 16));
    close_->setFixedSize(24, 24);
    close_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    row->addWidget(close_);

    connect(primary_, &QPushButton::clicked, this, [this] { primaryButtonClicked(); });
    connect(secondary_, &QPushButton::clicked, this, [this] { secondaryButtonClicked(); });
    connect(close_, &QToolButton::clicked, this, [this] { closeButtonClicked(); });
    setView(view);
}

void NotificationBarController::viewDidLoad() {
    ViewController::viewDidLoad();
    QWidget* bar = view();
    auto& m = *model_;
    bindings_.push_back(appkit::bindProperty<bool>(m.hidden, [bar](const bool& hidden) {
        bar->setVisible(!hidden);
        if (!hidden) bar->raise();
    }));
    bindings_.push_back(appkit::bindProperty<std::optional<NotificationBarModel::Text>>(
        m.message, [this](const std::optional<NotificationBarModel::Text>& text) {
            message_->setText(text ? richText(*text) : QString());
            place();
        }));
    auto bindButton = [this](appkit::Observable<std::optional<std::string>>& title, QPushButton* button) {
        bindings_.push_back(appkit::bindProperty<std::optional<std::string>>(
            title, [this, button](const std::optional<std::string>& t) {
                button->setText(t ? QString::fromStdString(*t) : QString());
                button->setVisible(t.has_value());
                place();
            }));
    };
    bindButton(m.primaryButtonTitle, primary_);
    bindButton(m.secondaryButtonTitle, secondary_);
    bindings_.push_back(appkit::bindProperty<bool>(m.closeable, [this](const bool& c) {
        close_->setVisible(c);
        place();
    }));
    bindings_.push_back(appkit::bindProperty<Color>(m.color, [this](const Color& color) {
        QPalette palette = boxView_->palette();
        palette.setColor(QPalette::Window, rgba(fillColor(color)));
        boxView_->setPalette(palette);
    }));
}

void NotificationBarController::installOn(QWidget* host) {
    if (!host) return;
    if (host_) host_->removeEventFilter(this);
    host_ = host;
    if (!parent()) setParent(host);
    view()->setParent(host);
    host->installEventFilter(this);
    place();
    view()->setVisible(!model_->hidden.value());
    view()->raise();
}

bool NotificationBarController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == host_ && (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded)) {
        place();
        if (event->type() == QEvent::ChildAdded && isViewLoaded()) view()->raise();
    }
    return ViewController::eventFilter(watched, event);
}

void NotificationBarController::place() {
    if (!host_ || !isViewLoaded()) return;
    // As high as the wrapped text needs beside the controls shown, never lower than the usual bar.
    // Worked out here rather than asked of the layout, which answers nothing while the bar is hidden.
    const int width = host_->width();
    const QMargins margins = boxView_->layout()->contentsMargins();
    const int spacing = boxView_->layout()->spacing();
    int textWidth = width - margins.left() - margins.right();
    for (QWidget* control : {static_cast<QWidget*>(primary_), static_cast<QWidget*>(secondary_), static_cast<QWidget*>(close_)})
        if (!control->isHidden()) textWidth -= control->sizeHint().width() + spacing;
    const int textHeight = message_->heightForWidth(std::max(1, textWidth));
    const int needed = textHeight < 0 ? kHeight : textHeight + margins.top() + margins.bottom();
    view()->setGeometry(0, 0, width, std::max(kHeight, needed));
}

}  // namespace morvex
