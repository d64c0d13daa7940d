#include "ui/kit/ActivityIndicator.h"

#include <QPainter>

#include "ui/kit/ThemedColor.h"

namespace morvex {

// The turn is the spinner's child, so whatever looks for the animations under a window finds it.
ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent), turn_(this) {
    setFixedSize(kSide, kSide);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    turn_.setStartValue(0);
    turn_.setEndValue(360);
    turn_.setDuration(kTurnMs);
    turn_.setLoopCount(-1);
    connect(&turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        angle_ = v.toInt();
        update();
    });
}

void ActivityIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    turn_.start();
}

void ActivityIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    turn_.stop();
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal pen = 3;
    const QRectF ring = QRectF(rect()).adjusted(pen / 2 + 1, pen / 2 + 1, -pen / 2 - 1, -pen / 2 - 1);
    p.setPen(QPen(ThemedColor::colorNamed("Separator", QColor(0xDE, 0xE2, 0xE6)).resolve(this), pen));
    p.drawEllipse(ring);
    p.setPen(QPen(ThemedColor::colorNamed("ThemeColor", QColor(0x47, 0x72, 0xA5)).resolve(this), pen, Qt::SolidLine, Qt::RoundCap));
    // Qt counts sixteenths of a degree, anticlockwise from three o'clock.
    p.drawArc(ring, (90 - angle_) * 16, -90 * 16);
}

}  // namespace morvex
