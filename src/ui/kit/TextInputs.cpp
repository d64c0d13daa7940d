#include "ui/kit/TextInputs.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QTimer>
#include <cmath>

#include "appkit/Images.h"

namespace morvex {

// ---- KitLineEdit

namespace {
// The platform style, without its caret: the field draws its own.
class NoCaretStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth) return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};
}  // namespace

KitLineEdit::KitLineEdit(QWidget* parent) : QLineEdit(parent), blink_(new QTimer(this)) {
    auto* style = new NoCaretStyle;
    style->setParent(this);
    setStyle(style);
    connect(blink_, &QTimer::timeout, this, [this] {
        caretShown_ = !caretShown_;
        update();
    });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] { restartBlink(); });
    connect(this, &QLineEdit::textChanged, this, [this] { restartBlink(); });
}

void KitLineEdit::setInsertionPointColor(std::optional<QColor> color) {
    insertionPointColor_ = std::move(color);
    restartBlink();
    update();
}

void KitLineEdit::restartBlink() {
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0) blink_->start(flash / 2);
    else blink_->stop();
    update();
}

void KitLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    restartBlink();
}

void KitLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    restartBlink();
}

QRect KitLineEdit::caretRect() const {
    // The platform's cursor rectangle reaches 5 to either side of the insertion point.
    const QRect around = cursorRect();
    return {around.left() + 5, around.top(), 1, around.height()};
}

void KitLineEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!hasFocus() || !caretShown_ || hasSelectedText() || isReadOnly()) return;
    QPainter painter(this);
    painter.fillRect(caretRect(), insertionPointColor_.value_or(palette().color(QPalette::Text)));
}

// ---- PVTextFieldCell

void PVTextFieldCell::setPlaceholderTextColor(std::optional<QColor> color) {
    placeholderTextColor_ = color;
    if (color) placeholderShown_ = color;
}

QRectF PVTextFieldCell::platformDrawingRect(const QRectF& bounds) const { return bounds.adjusted(2, 0, -2, 0); }

QSizeF PVTextFieldCell::cellSizeForBounds(const QRectF& bounds) const {
    const QFontMetricsF metrics(font);
    return {bounds.width(), std::ceil(metrics.height())};
}

QRectF PVTextFieldCell::drawingRectForBounds(const QRectF& bounds) const {
    QRectF r = platformDrawingRect(bounds);
    const qreal spare = r.height() - cellSizeForBounds(bounds).height();
    if (spare > 0) {
        r.moveTop(r.top() + spare / 2);
        r.setHeight(r.height() - spare);
    }
    return r;
}

// ---- PVTextField

PVTextField::PVTextField(QWidget* parent) : KitLineEdit(parent), cell_(std::make_unique<PVTextFieldCell>()) {
    setFrame(false);
    applyCell();
}

void PVTextField::setCursorColor(std::optional<QColor> color) {
    cursorColor_ = color;
    if (color) setInsertionPointColor(color);
}

void PVTextField::setCell(std::unique_ptr<PVTextFieldCell> cell) {
    if (!cell) return;
    cell_ = std::move(cell);
    applyCell();
}

void PVTextField::applyCell() {
    cell_->font = font();
    if (!cell_->placeholderString.isEmpty()) setPlaceholderText(cell_->placeholderString);
    if (const auto& c = cell_->placeholderColorShown()) {
        QPalette p = palette();
        p.setColor(QPalette::PlaceholderText, *c);
        setPalette(p);
    }
    // The text sits where the cell draws it.
    const QRectF bounds = contentsRect();
    const QRectF text = cell_->drawingRectForBounds(bounds);
    setAlignment((alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
    setTextMargins(int(text.left() - bounds.left()), int(std::round(text.top() - bounds.top())), 0, 0);
}

void PVTextField::resizeEvent(QResizeEvent* event) {
    KitLineEdit::resizeEvent(event);
    applyCell();
}

// ---- CustomTextField, CustomSearchField

CustomTextField::CustomTextField(QWidget* parent) : KitLineEdit(parent) {}

void CustomTextField::focusInEvent(QFocusEvent* event) {
    if (onFocus) onFocus();
    setInsertionPointColor(QColor(109, 109, 109));
    KitLineEdit::focusInEvent(event);
}

void CustomTextField::focusOutEvent(QFocusEvent* event) {
    if (onUnfocus) onUnfocus();
    KitLineEdit::focusOutEvent(event);
}

CustomSearchField::CustomSearchField(QWidget* parent) : KitLineEdit(parent) {
    addAction(appkit::imageNamed("SearchFieldIcon"), QLineEdit::LeadingPosition);
    setClearButtonEnabled(true);
}

void CustomSearchField::focusInEvent(QFocusEvent* event) {
    if (onFocus) onFocus();
    setInsertionPointColor(QColor(111, 118, 124));
    KitLineEdit::focusInEvent(event);
}

void CustomSearchField::focusOutEvent(QFocusEvent* event) {
    if (onUnfocus) onUnfocus();
    KitLineEdit::focusOutEvent(event);
}

}  // namespace morvex
