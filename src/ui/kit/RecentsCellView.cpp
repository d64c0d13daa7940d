#include "ui/kit/RecentsCellView.h"

#include <QHBoxLayout>
#include <any>

#include "ui/kit/DashboardStyle.h"
#include "viewmodels/DashboardText.h"
#include "ui/kit/Transformers.h"

namespace morvex {

namespace {

constexpr int kFlagSide = 24;

QLabel* text(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(dashboard::font(size, weight));
    // The colour goes in a style sheet: inside a tile (a button with a style sheet of its own) Qt
    // takes a label's palette from the application's.
    label->setStyleSheet(QStringLiteral("color: %1;").arg(dashboard::color(colour).name(QColor::HexArgb)));
    return label;
}

}  // namespace

RecentsCellView::RecentsCellView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RecentsCellView"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(10);
    imgView_ = new QLabel(this);
    imgView_->setObjectName(QStringLiteral("imgView"));
    imgView_->setFixedSize(kFlagSide, kFlagSide);
    lblTitle_ = text("lblTitle", this, 14, QFont::Medium, "HeadingText");
    lblTitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    p2pTag_ = text("p2pTag", this, 11, QFont::DemiBold, "ThemeColor");
    p2pTag_->setText(QStringLiteral("P2P"));
    row->addWidget(imgView_);
    row->addWidget(lblTitle_, 1);
    row->addWidget(p2pTag_);
}

void RecentsCellView::configure(const ZevuDataFetcherTypes::ServerPtr& server) {
    p2pTag_->hide();
    imgView_->clear();
    if (server) imgView_->setPixmap(dashboard::roundFlag(dashboard::flagImageName(server->code), kFlagSide, dashboard::flagBorderColor()));
    const auto name = server ? transformers::serverName(std::any(server)) : std::nullopt;
    lblTitle_->setText(QString::fromStdString(name.value_or("")));
}

}  // namespace morvex
