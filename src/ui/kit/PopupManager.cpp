#include "ui/kit/PopupManager.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QTextLayout>
#include <cmath>

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/PreservedPreferences.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layer.h"
#include "ui/kit/LayerViews.h"

namespace morvex {

namespace {
constexpr int kCardWidth = 300;
constexpr int kTextWidth = 260;
constexpr int kLineSpacing = 2;
constexpr int kFadeMilliseconds = 300;

// Lays `text` out at `width`: each line's position, and the height used.
qreal layOut(QTextLayout& layout, int width) {
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    bool first = true;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (!first) y += kLineSpacing;
        first = false;
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

std::string fillFirstPlaceholder(std::string format, std::string_view argument) {
    if (auto at = format.find("%@"); at != std::string::npos) format.replace(at, 2, argument);
    return format;
}

// The dimming layer of one popup. It keeps that popup's callbacks, swallows every click that
// misses the card, and follows its window's size.
class PopupBackground : public QWidget {
public:
    PopupBackground(QWidget* window, std::function<void()> cancel, std::function<void()> confirm)
        : QWidget(window), cancel_(std::move(cancel)), confirm_(std::move(confirm)) {
        setAttribute(Qt::WA_StyledBackground, false);
        setGeometry(window->rect());
        window->installEventFilter(this);
        auto* fade = new QGraphicsOpacityEffect(this);
        fade->setOpacity(0);
        setGraphicsEffect(fade);
    }

    void cancel() { finish(cancel_); }
    void confirm() { finish(confirm_); }
    void fadeIn() { animateTo(1.0, {}); }
    bool closing() const { return closing_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.5f));
    }
    // A click on the dimmed area does nothing, and does not reach the window below.
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    void wheelEvent(QWheelEvent* event) override { event->accept(); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        return false;
    }

private:
    void finish(const std::function<void()>& action) {
        // One answer per popup: a second click while it fades out does nothing.
        if (closing_) return;
        closing_ = true;
        if (action) action();
        QPointer<PopupBackground> self(this);
        animateTo(0.0, [self] {
            if (self) self->deleteLater();
        });
    }
    void animateTo(qreal opacity, std::function<void()> done) {
        auto* animation = new QPropertyAnimation(graphicsEffect(), "opacity", this);
        animation->setDuration(kFadeMilliseconds);
        animation->setEndValue(opacity);
        animation->setEasingCurve(QEasingCurve::OutCubic);
        if (done) QObject::connect(animation, &QPropertyAnimation::finished, this, std::move(done));
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    }

    std::function<void()> cancel_;
    std::function<void()> confirm_;
    bool closing_ = false;
};

}  // namespace

// ---- CustomButtonView

CustomButtonView::CustomButtonView(const QString& title, std::function<void()> handler, QWidget* parent)
    : QWidget(parent), clickHandler(std::move(handler)), titleLabel_(new QLabel(title, this)) {
    titleLabel_->setTextFormat(Qt::PlainText);
    titleLabel_->setAlignment(Qt::AlignCenter);
    titleLabel_->setFont(systemFont(14));
    titleLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    titleLabel_->setTextInteractionFlags(Qt::NoTextInteraction);
    setCursor(Qt::PointingHandCursor);
    updateLayer();
}

QString CustomButtonView::title() const { return titleLabel_->text(); }

void CustomButtonView::updateLayer() {
    QPalette p = titleLabel_->palette();
    p.setColor(QPalette::WindowText, titleColor.resolve(this));
    titleLabel_->setPalette(p);
    titleLabel_->setGeometry(rect().adjusted(8, 0, -8, 0));
}

void CustomButtonView::handleClick() {
    if (clickHandler) clickHandler();
}

void CustomButtonView::paintEvent(QPaintEvent*) {
    updateLayer();
    Layer layer;
    layer.backgroundColor = backgroundColor.resolve(this);
    layer.borderColor = borderColor.resolve(this);
    layer.borderWidth = borderWidth;
    layer.cornerRadius = cornerRadius;
    layer.masksToBounds = true;
    QPainter painter(this);
    if (pressed_) painter.setOpacity(0.8);
    paintLayer(painter, rect(), layer);
}

void CustomButtonView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = true;
    update();
}

void CustomButtonView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const bool inside = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    update();
    if (inside) handleClick();
}

// ---- WrappedText

WrappedText::WrappedText(const QString& text, const QFont& font, ThemedColor color, QWidget* parent)
    : QWidget(parent), text_(text), color_(std::move(color)) {
    setFont(font);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

int WrappedText::heightFor(const QString& text, const QFont& font, int width) {
    QTextLayout layout(text, font);
    return int(std::ceil(layOut(layout, width)));
}

void WrappedText::paintEvent(QPaintEvent*) {
    QTextLayout layout(text_, font());
    layOut(layout, width());
    QPainter painter(this);
    painter.setPen(color_.resolve(this));
    layout.draw(&painter, QPointF(0, 0));
}

// ---- PopupManager

PopupManager& PopupManager::shared() {
    static PopupManager manager;
    return manager;
}

PopupManager::Colors PopupManager::Colors::named() {
    return Colors{
        ThemedColor::colorNamed("PopupTitleColor", Qt::white),
        ThemedColor::colorNamed("PopupContentColor", Qt::white),
        ThemedColor::colorNamed("PopupCancelTextColor", Qt::blue),
        ThemedColor::colorNamed("PopupOKTextColorNew", Qt::blue),
        ThemedColor::colorNamed("PopupBGColorNew", Qt::darkGray),
        ThemedColor::colorNamed("PopupOKButtonBGColor", Qt::transparent),
        ThemedColor::colorNamed("PopupCancelButtonBGColor", Qt::transparent),
        ThemedColor::colorNamed("PopupButtonBorderColor", Qt::transparent),
    };
}

void PopupManager::showPopup(const std::string& title, const std::string& message,
                             const std::optional<std::string>& cancelTitle, const std::string& confirmTitle,
                             const Colors& colors, std::function<void()> cancelAction,
                             std::function<void()> confirmAction, appkit::Window* window) {
    if (!window) window = appkit::Application::shared().firstWindow();
    if (!window) return;

    auto* background = new PopupBackground(window, std::move(cancelAction), std::move(confirmAction));

    const QFont titleFont = systemFont(20, QFont::Bold);
    const QFont messageFont = systemFont(14);
    const QString titleText = QString::fromStdString(title);
    const QString messageText = QString::fromStdString(message);
    const int titleHeight = WrappedText::heightFor(titleText, titleFont, kTextWidth);
    const int messageHeight = WrappedText::heightFor(messageText, messageFont, kTextWidth);
    const int cardHeight = titleHeight + messageHeight + 80 + 20;

    auto* card = new CustomView(background);
    card->setObjectName(QStringLiteral("popupCard"));
    card->setCornerRadius(10);
    card->setBackgroundColor(colors.background);
    card->setBorderColor(colors.border);
    card->setBorderWidth(1.0);
    card->resize(kCardWidth, cardHeight);
    auto centre = [background, card] {
        card->move((background->width() - card->width()) / 2, (background->height() - card->height()) / 2);
    };
    centre();

    auto* titleLabel = new WrappedText(titleText, titleFont, colors.title, card);
    titleLabel->setObjectName(QStringLiteral("popupTitle"));
    titleLabel->setGeometry(20, 20, kTextWidth, titleHeight);
    auto* messageLabel = new WrappedText(messageText, messageFont, colors.message, card);
    messageLabel->setObjectName(QStringLiteral("popupMessage"));
    messageLabel->setGeometry(20, 20 + titleHeight + 10, kTextWidth, messageHeight);

    QPointer<PopupBackground> popup(background);
    auto makeButton = [&](const std::string& text, const ThemedColor& textColor, const ThemedColor& fill,
                          std::function<void()> handler) {
        auto* button = new CustomButtonView(QString::fromStdString(text), std::move(handler), card);
        button->cornerRadius = 8.0;
        button->borderWidth = 1.0;
        button->borderColor = colors.border;
        button->titleColor = textColor;
        button->backgroundColor = fill;
        button->resize(126, 30);
        button->updateLayer();
        return button;
    };
    const int buttonTop = cardHeight - 20 - 30;
    auto confirm = [popup] {
        if (popup) popup->confirm();
    };
    if (!cancelTitle || cancelTitle->empty()) {
        auto* only = makeButton(confirmTitle, colors.confirmText, colors.confirmBackground, confirm);
        only->setObjectName(QStringLiteral("popupConfirm"));
        only->cornerRadius = 6.0;  // a lone button is a little less round
        only->move((kCardWidth - only->width()) / 2, buttonTop);
    } else {
        auto* cancel = makeButton(*cancelTitle, colors.cancelText, colors.cancelBackground, [popup] {
            if (popup) popup->cancel();
        });
        cancel->setObjectName(QStringLiteral("popupCancel"));
        cancel->move(20, buttonTop);
        auto* ok = makeButton(confirmTitle, colors.confirmText, colors.confirmBackground, confirm);
        ok->setObjectName(QStringLiteral("popupConfirm"));
        ok->move(kCardWidth - 20 - ok->width(), buttonTop);
    }

    // The card stays centred when the window changes size.
    class Centring : public QObject {
    public:
        Centring(QWidget* watched, std::function<void()> centre) : QObject(watched), centre_(std::move(centre)) {
            watched->installEventFilter(this);
        }
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Resize) centre_();
            return false;
        }

    private:
        std::function<void()> centre_;
    };
    new Centring(background, centre);

    background->show();
    background->raise();
    backgroundView_ = background;
    popupView_ = card;
    background->fadeIn();
}

void PopupManager::showDedicatedProtocolNotSupported(std::string_view protocol) {
    showPopup(localized("alert.dedicated.protocol.not.supported.title"),
              fillFirstPlaceholder(localized("alert.dedicated.protocol.not.supported.message.warning %@"), protocol),
              std::nullopt, localized("ok"), Colors::named(), {}, {});
}

void PopupManager::showClearPreferencesConnected(appkit::Window* window) {
    showPopup(localized("clear.preference.alert.connected.title"), localized("clear.preference.alert.connected.message"),
              std::nullopt, localized("clear.preference.alert.connected.button.one"), Colors::named(), {}, {}, window);
}

void PopupManager::showClearPreferences(PreservedPreferences preferences, appkit::Window* window) {
    showPopup(localized("clear.preference.alert.title"), localized("clear.preference.alert.message"),
              localized("clear.preference.alert.button.two"), localized("clear.preference.alert.button.one"),
              Colors::named(), {}, [preferences]() mutable { preferences.clearUserPreferences(); }, window);
}

void PopupManager::showAutomaticProtocolDisable(std::function<void()> turnOff, std::function<void()> keepOn) {
    showPopup(localized("automatic.disable.alert.heading"), localized("automatic.disable.alert.message"),
              localized("automatic.disable.alert.button.two"), localized("automatic.disable.alert.button.one"),
              Colors::named(), std::move(keepOn), std::move(turnOff));
}

void PopupManager::showFallbackDisableWarning(std::function<void()> turnOff, std::function<void()> keepOn) {
    showPopup(localized("fallback.disable.alert.title"), localized("fallback.disable.alert.message"),
              localized("automatic.disable.alert.button.two"), localized("automatic.disable.alert.button.one"),
              Colors::named(), std::move(keepOn), std::move(turnOff));
}

}  // namespace morvex
