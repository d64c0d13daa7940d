#include "ui/kit/CustomButtons.h"

#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QStyle>

#include "ui/kit/Fonts.h"

namespace morvex {

// ---- KitButton

KitButton::KitButton(QWidget* parent) : QAbstractButton(parent) {
    setIconSize(QSize(20, 20));
    setFocusPolicy(Qt::TabFocus);
}

void KitButton::setWantsLayer(bool wants) {
    if (wantsLayer_ == wants) return;
    wantsLayer_ = wants;
    update();
}

void KitButton::setTitleStyle(std::optional<TitleStyle> style) {
    titleStyle_ = std::move(style);
    update();
}

QSize KitButton::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = 16;
    int height = 24;
    if (!icon().isNull()) {
        width += iconSize().width();
        height = std::max(height, iconSize().height() + 8);
    }
    if (!text().isEmpty()) {
        width += metrics.horizontalAdvance(text()) + (icon().isNull() ? 0 : 6);
        height = std::max(height, metrics.height() + 8);
    }
    return {width, height};
}

void KitButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (wantsLayer_) paintLayer(painter, bounds, layer_);
    if (!isEnabled()) painter.setOpacity(0.5);

    const QIcon image = icon();
    const QString title = text();
    const QFontMetrics metrics(font());
    const int imageWidth = image.isNull() ? 0 : iconSize().width();
    const int gap = (!image.isNull() && !title.isEmpty()) ? 6 : 0;
    const int titleWidth = title.isEmpty() ? 0 : metrics.horizontalAdvance(title);
    const int contentWidth = imageWidth + gap + titleWidth;
    const Qt::Alignment alignment = titleStyle_ ? titleStyle_->alignment : Qt::AlignHCenter;
    int x = (width() - contentWidth) / 2;
    if (alignment & Qt::AlignLeft) x = 8;
    else if (alignment & Qt::AlignRight) x = width() - 8 - contentWidth;
    if (!image.isNull()) {
        const QRect at(x, (height() - iconSize().height()) / 2, iconSize().width(), iconSize().height());
        image.paint(&painter, at, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        x += imageWidth + gap;
    }
    if (!title.isEmpty()) {
        painter.setFont(font());
        painter.setPen(titleStyle_ ? titleStyle_->color : palette().color(QPalette::ButtonText));
        painter.drawText(QRect(x, 0, std::max(titleWidth, width() - x), height()),
                         int(Qt::AlignLeft | Qt::AlignVCenter), title);
    }
    // The focus ring shows only once the keyboard has moved the focus.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void KitButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    // Named colours are resolved again for the new appearance.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        updateLayer();
        update();
    }
}

// ---- PVButton

PVButton::PVButton(QWidget* parent) : KitButton(parent) {
    // The default `hoverable` is true, so the button follows the pointer from the start.
    setHoverable(true);
    // Connected first, so the image is back before any other receiver of the click runs.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (revertOnClick_) setIcon(normalImage_);
    });
}

void PVButton::setHoverable(bool hoverable) {
    hoverable_ = hoverable;
    if (hoverable) {
        if (trackingAreas_.empty()) trackingAreas_.push_back({rect(), 545});
    } else if (!trackingAreas_.empty()) {
        trackingAreas_.erase(trackingAreas_.begin());
    }
}

void PVButton::setCornerRadius(qreal radius) {
    setWantsLayer(true);
    mutableLayer().cornerRadius = radius;
    update();
}

void PVButton::setTitleColor(std::optional<ThemedColor> color) {
    titleColor_ = std::move(color);
    restyleTitle();
}

void PVButton::setPointingHandCursor(bool pointing) {
    pointingHandCursor_ = pointing;
    if (pointing) setCursor(Qt::PointingHandCursor);
    else unsetCursor();
}

void PVButton::setBackgroundColor(std::optional<ThemedColor> color) {
    backgroundColor_ = std::move(color);
    updateLayer();
}

void PVButton::setTitle(const QString& title) {
    setText(title);
    restyleTitle();
}

void PVButton::restyleTitle() {
    if (!titleColor_) {
        // Without a colour the title keeps whatever style it had.
        update();
        return;
    }
    setTitleStyle(TitleStyle{titleColor_->resolve(this), Qt::AlignHCenter});
}

void PVButton::updateLayer() {
    // The cell's background fills the button; with a corner radius the layer clips it.
    if (backgroundColor_) {
        setWantsLayer(true);
        mutableLayer().backgroundColor = backgroundColor_->resolve(this);
    } else {
        mutableLayer().backgroundColor.reset();
    }
    if (titleColor_) restyleTitle();
    update();
}

void PVButton::mouseEntered() { setIcon(hoverImage_); }
void PVButton::mouseExited() { setIcon(normalImage_); }

void PVButton::enterEvent(QEnterEvent* event) {
    if (!trackingAreas_.empty()) mouseEntered();
    event->accept();
}

void PVButton::leaveEvent(QEvent* event) {
    if (!trackingAreas_.empty()) mouseExited();
    event->accept();
}

void PVButton::resizeEvent(QResizeEvent* event) {
    KitButton::resizeEvent(event);
    // The areas cover the visible rectangle, which follows the button's size.
    for (auto& area : trackingAreas_) area.rect = rect();
}

// ---- CustomButton

CustomButton::CustomButton(QWidget* parent) : KitButton(parent) { setWantsLayer(true); }

void CustomButton::setBackgroundColor(std::optional<ThemedColor> color) {
    backgroundColor_ = std::move(color);
    updateLayer();
}

void CustomButton::setRoundCorners(bool round) {
    roundCorners_ = round;
    if (!round) return;
    mutableLayer().cornerRadius = height() / 10.0;
    update();
}

void CustomButton::setEnableGradient(bool enable) {
    enableGradient_ = enable;
    if (!enable || gradientAdded_) return;
    gradientAdded_ = true;
    // A horizontal blue ramp. Its layer is twice the button's size and centred on the button's
    // corner, so the ramp runs from a tenth of the width left of the button to nine tenths in.
    GradientLayer g;
    g.colors = {QColor::fromRgbF(0.02f, 0.396f, 0.98f), QColor::fromRgbF(0.086f, 0.686f, 0.988f)};
    g.locations = {0, 1};
    g.startPoint = {0.45, 0.5};
    g.endPoint = {0.95, 0.5};
    mutableLayer().gradients.push_back(g);
    resizeEvent(nullptr);
}

void CustomButton::updateLayer() {
    mutableLayer().backgroundColor =
        backgroundColor_ ? std::optional<QColor>(backgroundColor_->resolve(this)) : std::nullopt;
    update();
}

void CustomButton::resizeEvent(QResizeEvent* event) {
    if (event) KitButton::resizeEvent(event);
    if (roundCorners_) mutableLayer().cornerRadius = height() / 10.0;
    for (auto& g : mutableLayer().gradients) {
        g.frame = QRectF(-width() / 2.0, -height() / 2.0, width() * 2.0, height() * 2.0);
    }
    update();
}

// ---- SupportButton

SupportButton::SupportButton(QWidget* parent) : KitButton(parent) {
    setWantsLayer(true);
    // Read before any colour is assigned, so the start colour is clear.
    currentColor_ = deselectedColor_.value_or(ThemedColor());
    updateLayer();
}

void SupportButton::setSelectedColor(std::optional<ThemedColor> color) {
    selectedColor_ = std::move(color);
    update();
}

void SupportButton::setDeselectedColor(std::optional<ThemedColor> color) {
    deselectedColor_ = std::move(color);
    update();
}

void SupportButton::setRoundCorners(bool round) {
    roundCorners_ = round;
    if (!round) return;
    mutableLayer().cornerRadius = round_;
    update();
}

void SupportButton::setCurrentColor(const ThemedColor& color) {
    currentColor_ = color;
    updateLayer();
}

void SupportButton::updateLayer() {
    mutableLayer().backgroundColor = currentColor_.resolve(this);
    update();
}

// ---- TabButton

TabButton::TabButton(QWidget* parent) : KitButton(parent) {}

void TabButton::setSelected(bool selected) {
    selected_ = selected;
    setFont(systemFont(12, selected ? QFont::Medium : QFont::Normal));
    setWantsLayer(true);
    updateLayer();
    setIcon(selected ? selectedLeadingImage_ : leadingImage_);
}

void TabButton::updateLayer() {
    setTitleStyle(TitleStyle{(selected_ ? selectedTitleColor_ : titleColor_).resolve(this), alignment_});
    if (wantsLayer()) mutableLayer().backgroundColor = (selected_ ? selectedBackgroundColor_ : backgroundColor_).resolve(this);
    update();
}

void TabButton::setLeadingImage(const QIcon& image) {
    leadingImage_ = image;
    if (!selected_) setIcon(image);
}

void TabButton::setSelectedLeadingImage(const QIcon& image) {
    selectedLeadingImage_ = image;
    if (selected_) setIcon(image);
}

void TabButton::setCornerRadius(qreal radius) {
    mutableLayer().cornerRadius = radius;
    update();
}

void TabButton::setCount(long count) {
    count_ = count;
    if (count < 1) {
        delete badgeLabel_;
        delete badgeBox_;
        return;
    }
    if (!badgeBox_) {
        badgeBox_ = new QFrame(this);
        badgeBox_->setObjectName(QStringLiteral("badge"));
        badgeBox_->setFixedSize(22, 22);
        badgeBox_->setFrameShape(QFrame::NoFrame);
        badgeBox_->setAttribute(Qt::WA_TransparentForMouseEvents);
        const QColor red = ThemedColor::colorNamed("Badge", Qt::red).resolve(this);
        badgeBox_->setStyleSheet(QStringLiteral("QFrame#badge { background: %1; border-radius: 11px; }").arg(red.name()));
        badgeLabel_ = new QLabel(badgeBox_);
        badgeLabel_->setAlignment(Qt::AlignCenter);
        badgeLabel_->setTextInteractionFlags(Qt::NoTextInteraction);
        badgeLabel_->setFont(systemFont(15));
        badgeLabel_->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        badgeLabel_->setGeometry(0, 0, 22, 22);
        badgeBox_->show();
    }
    badgeLabel_->setText(QString::number(count));
    placeBadge();
}

void TabButton::placeBadge() {
    if (!badgeBox_) return;
    // Centred vertically, its trailing edge 10 inside the button's.
    badgeBox_->move(width() - 10 - badgeBox_->width(), (height() - badgeBox_->height()) / 2);
}

void TabButton::resizeEvent(QResizeEvent* event) {
    KitButton::resizeEvent(event);
    placeBadge();
}

}  // namespace morvex
