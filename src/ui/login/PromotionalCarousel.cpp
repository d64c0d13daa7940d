#include "ui/login/PromotionalCarousel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWheelEvent>

#include "appkit/Images.h"

namespace morvex {

PromotionalScreenCollectionViewItem::PromotionalScreenCollectionViewItem(QSize size, QWidget* parent)
    : QWidget(parent), promotionalImageView(new QLabel(this)), label_title(new QLabel(this)), label_description(new QLabel(this)) {
    setObjectName(QString::fromLatin1(kIdentifier));
    setFixedSize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    promotionalImageView->setObjectName(QStringLiteral("promotionalImageView"));
    promotionalImageView->setAlignment(Qt::AlignCenter);
    label_title->setWordWrap(true);
    label_description->setWordWrap(true);
    layout->addWidget(promotionalImageView, 1);
    layout->addWidget(label_title);
    layout->addWidget(label_description);
}

void PromotionalScreenCollectionViewItem::configure(const std::string& imageName, const std::string& title,
                                                    const std::string& description) {
    imageName_ = imageName;
    const QSize box = size();
    promotionalImageView->setPixmap(appkit::imageNamed(imageName, box));
    label_title->setText(QString::fromStdString(title));
    label_title->setVisible(!title.empty());
    label_description->setText(QString::fromStdString(description));
    label_description->setVisible(!description.empty());
}

CustomCollectionView::CustomCollectionView(QSize itemSize, QWidget* parent)
    : QScrollArea(parent), itemSize_(itemSize), strip_(new QWidget), row_(new QHBoxLayout(strip_)) {
    setObjectName(QStringLiteral("collectionView"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    setFixedSize(itemSize);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(0);
    strip_->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setWidget(strip_);
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents, true);
}

void CustomCollectionView::reloadData(int count, const std::function<QWidget*(int)>& make) {
    for (QWidget* item : items_) delete item;
    items_.clear();
    for (int i = 0; i < count; ++i) {
        QWidget* item = make(i);
        item->setParent(strip_);
        row_->addWidget(item);
        items_.push_back(item);
    }
    strip_->setFixedSize(itemSize_.width() * count, itemSize_.height());
}

QWidget* CustomCollectionView::item(int index) const {
    return index >= 0 && index < numberOfItems() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

void CustomCollectionView::scrollToItem(int index, double seconds) {
    if (!item(index)) return;
    target_ = index;
    // Centred: the item's middle at the view's middle (the items are as wide as the view).
    const int to = index * itemSize_.width() + itemSize_.width() / 2 - viewport()->width() / 2;
    if (animation_) animation_->stop();
    if (seconds <= 0.0) {
        horizontalScrollBar()->setValue(to);
        return;
    }
    if (!animation_) {
        animation_ = new QVariantAnimation(this);
        animation_->setEasingCurve(QEasingCurve::OutCubic);
        connect(animation_, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { horizontalScrollBar()->setValue(value.toInt()); });
    }
    animation_->setDuration(static_cast<int>(seconds * 1000));
    animation_->setStartValue(horizontalScrollBar()->value());
    animation_->setEndValue(to);
    animation_->start();
}

void CustomCollectionView::wheelEvent(QWheelEvent* event) { event->accept(); }

bool CustomCollectionView::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Gesture:
            event->accept();
            return true;  // only the program moves the pages
        default:
            return QScrollArea::viewportEvent(event);
    }
}

}  // namespace morvex
