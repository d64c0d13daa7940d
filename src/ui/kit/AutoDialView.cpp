#include "ui/kit/AutoDialView.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "appkit/AlertSheet.h"
#include "appkit/Application.h"
#include "appkit/Window.h"

namespace morvex {

AutoDialView::AutoDialView(std::unique_ptr<AutoDialModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), message_(new QLabel(this)), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("AutoDialView"));
    message_->setObjectName(QStringLiteral("message"));
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    QFont font = message_->font();
    font.setPixelSize(13);
    message_->setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(message_);
    // Shown from the start, so the line is never empty before the first tick.
    message_->setText(QString::fromStdString(model_->countdownText()));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &AutoDialView::updateTime);
    timer_->start();
}

bool AutoDialView::isCounting() const { return timer_->isActive() && !model_->isStopped(); }

void AutoDialView::updateTime() {
    switch (model_->tick(&AutoDialView::endAttachedAlertSheet)) {
    case AutoDialModel::Tick::Counting:
        message_->setText(QString::fromStdString(model_->countdownText()));
        break;
    case AutoDialModel::Tick::Reconnected:
    case AutoDialModel::Tick::Stopped:
        timer_->stop();
        break;
    }
}

void AutoDialView::invalidateTimer() {
    timer_->stop();
    model_->invalidate();
}

bool AutoDialView::endAttachedAlertSheet() {
    appkit::Window* window = appkit::Application::shared().firstWindow();
    if (!window) return false;
    auto* sheet = qobject_cast<appkit::AlertSheet*>(window->attachedSheet());
    if (!sheet) return false;
    window->endSheet(sheet);
    return true;
}

std::shared_ptr<AutoDialCountdown> AutoDialCountdown::make(std::unique_ptr<AutoDialModel> model) {
    return std::make_shared<AutoDialCountdown>(new AutoDialView(std::move(model)));
}

}  // namespace morvex
