#include "ui/kit/ToastView.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>

#include "appkit/ViewController.h"
#include "appkit/Window.h"
#include "foundation/Dispatch.h"

namespace morvex {

QRect ToastTiming::frame(QSize content) {
    return QRect((content.width() - size.width()) / 2, content.height() - bottomMargin - size.height(), size.width(),
                 size.height());
}

ToastView::ToastView(QWidget* parent) : QWidget(parent), messageLabel_(new QLabel(this)) {
    setObjectName(QStringLiteral("ToastView"));
    messageLabel_->setTextFormat(Qt::PlainText);  // a toast may carry the service's message
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ToastView::configure(std::string_view message) {
    messageLabel_->setObjectName(QStringLiteral("messageLabel"));
    messageLabel_->setText(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
    messageLabel_->setTextInteractionFlags(Qt::NoTextInteraction);
    messageLabel_->setAlignment(Qt::AlignCenter);
    messageLabel_->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = messageLabel_->font();
    font.setPixelSize(14);
    messageLabel_->setFont(font);
    QPalette palette = messageLabel_->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    messageLabel_->setPalette(palette);
    if (!layout()) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 0, 10, 0);
        row->addWidget(messageLabel_, 0, Qt::AlignCenter);
    }
}

void ToastView::setOpacity(qreal opacity) {
    opacity_ = opacity;
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(this);
        setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

void ToastView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 204));
    p.drawRoundedRect(QRectF(rect()), 10, 10);
}

ToastView* showToast(QWidget* content, std::string_view message, double displaySeconds) {
    if (!content) return nullptr;
    auto* toast = new ToastView(content);
    toast->configure(message);
    toast->setGeometry(ToastTiming::frame(content->size()));
    toast->setOpacity(0);
    toast->show();
    toast->raise();

    auto* fadeIn = new QPropertyAnimation(toast, "opacity", toast);
    fadeIn->setDuration(static_cast<int>(ToastTiming::fadeSeconds * 1000));
    fadeIn->setEndValue(1.0);
    fadeIn->setEasingCurve(QEasingCurve::OutCubic);
    QPointer<ToastView> guard(toast);
    QObject::connect(fadeIn, &QPropertyAnimation::finished, toast, [guard, displaySeconds] {
        DispatchQueue::main().asyncAfter(displaySeconds, [guard] {
            if (!guard) return;
            auto* fadeOut = new QPropertyAnimation(guard.data(), "opacity", guard.data());
            fadeOut->setDuration(static_cast<int>(ToastTiming::fadeSeconds * 1000));
            fadeOut->setEndValue(0.0);
            fadeOut->setEasingCurve(QEasingCurve::OutCubic);
            QObject::connect(fadeOut, &QPropertyAnimation::finished, guard.data(), [guard] {
                if (guard) guard->deleteLater();
            });
            fadeOut->start(QAbstractAnimation::DeleteWhenStopped);
        });
    });
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);
    return toast;
}

ToastView* showToast(appkit::Window* window, std::string_view message, double displaySeconds) {
    if (!window) return nullptr;
    appkit::ViewController* content = window->contentViewController();
    return content ? showToast(content->view(), message, displaySeconds) : nullptr;
}

}  // namespace morvex
