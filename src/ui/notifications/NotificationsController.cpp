#include "ui/notifications/NotificationsController.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "viewmodels/NotificationsFeed.h"
#include "ui/kit/Transformers.h"

namespace morvex {

namespace {
namespace t = transformers;

QString qs(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

NotificationsController::NotificationsController(std::unique_ptr<NotificationsListModel> model,
                                                 ManagedObjectContext* context, QObject* parent)
    : ViewController(parent),
      model_(model ? std::move(model) : std::make_unique<NotificationsListModel>()),
      context_(context) {
    QPointer<NotificationsController> self(this);
    model_->collaborators().performSegue = [self](std::string_view identifier) {
        if (self) self->performSegue(identifier);
    };
}

ManagedObjectContext& NotificationsController::store() const {
    return context_ ? *context_ : CoreDataService::shared().managedObjectContext();
}

void NotificationsController::setAppearance(appkit::Appearance appearance) {
    appearance_ = appearance;
    if (isViewLoaded()) {
        QPalette palette = view()->palette();
        palette.setColor(QPalette::Window, appkit::colorNamed("WindowBackground", appearance_));
        view()->setPalette(palette);
        if (auto* title = view()->findChild<QLabel*>(QStringLiteral("title"))) colourTitle(title);
        rebuildRows();
    }
}

void NotificationsController::followApplicationAppearance() {
    setAppearance(appkit::Application::shared().effectiveAppearance());
    connect(&appkit::Application::shared(), &appkit::Application::effectiveAppearanceChanged, this,
            [this] { setAppearance(appkit::Application::shared().effectiveAppearance()); });
}

// The title takes the page's appearance like its rows, not the application's palette, which may
// be the other one (a light page under a dark desktop would get a near-white title).
void NotificationsController::colourTitle(QLabel* title) const {
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, appkit::colorNamed("HeadingText", appearance_));
    title->setPalette(palette);
}

void NotificationsController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("NotificationsView"));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, appkit::colorNamed("WindowBackground", appearance_));
    view->setPalette(palette);

    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(24, 20, 24, 0);
    column->setSpacing(12);
    auto* title = new QLabel(qs(localized("notifications.title")), view);
    title->setObjectName(QStringLiteral("title"));
    QFont titleFont = title->font();
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    title->setFont(titleFont);
    colourTitle(title);
    column->addWidget(title);

    scroll_ = new QScrollArea(view);
    scroll_->setObjectName(QStringLiteral("ncView"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    list_ = new QWidget;
    list_->setAutoFillBackground(false);
    rows_ = new QVBoxLayout(list_);
    rows_->setContentsMargins(0, 0, 0, 20);
    rows_->setSpacing(8);
    rows_->addStretch(1);
    scroll_->setWidget(list_);
    column->addWidget(scroll_, 1);

    empty_ = new QLabel(view);
    empty_->setObjectName(QStringLiteral("emptyText"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setText(qs(localized("notifications.empty")));
    QFont emptyFont = empty_->font();
    emptyFont.setPixelSize(14);
    empty_->setFont(emptyFont);
    column->addWidget(empty_, 1);
    setView(view);
}

void NotificationsController::viewDidLoad() {
    ViewController::viewDidLoad();
    // The five push entry points are the application's (NotificationsInbox), not this page's: they
    // work whether or not the page was ever opened, and act once when it is.
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &NotificationsController::rebuildRows);
    connect(model_.get(), &QAbstractItemModel::rowsRemoved, this, &NotificationsController::rebuildRows);
    QPointer<NotificationsController> self(this);
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(
        NotificationsDidUpdateNotification, [self](const Notification&) {
            if (!self) return;
            self->reload();
            // New notices that arrive while the list is on screen are read as they show.
            if (self->view()->isVisible()) self->model_->markAllSeen(self->store());
        }));
    reload();
}

void NotificationsController::viewWillAppear() {
    ViewController::viewWillAppear();
    // Reported with the count the user had before opening the list.
    model_->trackViewed();
    reload();
    model_->markAllSeen(store());
}

void NotificationsController::reload() {
    model_->reload(store(), User().vpnUsername().value_or(""), NotificationsListModel::runningVersion());
}

void NotificationsController::rebuildRows() {
    if (!rows_) return;
    while (rows_->count() > 1) {
        QLayoutItem* item = rows_->takeAt(0);
        // Gone from the page at once; deleted when the loop comes round (a row's own button may be
        // what asked for this).
        if (QWidget* row = item->widget()) {
            row->hide();
            row->setParent(nullptr);
            row->deleteLater();
        }
        delete item;
    }
    const int count = model_->rowCount();
    for (int row = 0; row < count; ++row) rows_->insertWidget(row, makeRow(row));
    // The two transformers the list binds: one shows the list, the other the empty text.
    const std::any list = model_->notifications();
    scroll_->setVisible(t::notificationEmpty(list));
    empty_->setVisible(t::notificationNonEmpty(list));
    // The page's one message is body text: the secondary grey is too faint on the window ground.
    QPalette palette = empty_->palette();
    palette.setColor(QPalette::WindowText, appkit::colorNamed("HeadingText", appearance_));
    empty_->setPalette(palette);
}

QWidget* NotificationsController::makeRow(int row) {
    const AppNotification& n = *model_->notifications()[static_cast<std::size_t>(row)];
    const QColor heading = appkit::colorNamed("HeadingText", appearance_);
    const QColor secondary = appkit::colorNamed("TabText", appearance_);

    auto* card = new QFrame;
    card->setObjectName(QStringLiteral("notificationRow"));
    card->setStyleSheet(QStringLiteral("QFrame#notificationRow { background: %1; border-radius: 12px; }")
                            .arg(appkit::colorNamed("BottomColor", appearance_).name()));
    auto* line = new QHBoxLayout(card);
    line->setContentsMargins(16, 12, 12, 12);
    line->setSpacing(12);

    auto* icon = new QLabel(card);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setFixedSize(24, 24);
    const std::any image = t::imageFromName(t::notificationIconName(n.category()));
    if (const auto* i = std::any_cast<QIcon>(&image)) icon->setPixmap(i->pixmap(QSize(24, 24)));
    line->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto label = [&](const std::string& text, int size, bool bold, const QColor& colour, const char* name) {
        auto* l = new QLabel(qs(text), card);
        // A notice's texts are the service's: drawn as the characters they are; its links are
        // the buttons below, made from the notice's fields.
        l->setTextFormat(Qt::PlainText);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        QFont f = l->font();
        f.setPixelSize(size);
        f.setBold(bold);
        l->setFont(f);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
        texts->addWidget(l);
        return l;
    };
    label(n.title(), 14, true, heading, "notificationTitle");
    label(n.message(), 13, false, secondary, "notificationMessage");
    if (auto day = t::timeAgo(n.createdAt() ? std::any(*n.createdAt()) : std::any())) {
        label(*day, 12, false, secondary, "notificationDay");
    }

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    auto addButton = [&](const std::string& title, int which, const char* name) {
        if (t::notificationCtaHidden(title)) return;
        auto* b = new QPushButton(qs(title), card);
        b->setObjectName(QString::fromLatin1(name));
        b->setCursor(Qt::PointingHandCursor);
        b->setFixedHeight(30);
        b->setStyleSheet(which == 0
                             ? QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 8px;"
                                              " padding: 0 14px; font-size: 13px; }")
                                   .arg(appkit::colorNamed("PopupOKButtonBGColor", appearance_).name())
                             : QStringLiteral("QPushButton { background: transparent; color: %1; border: 1px solid %2;"
                                              " border-radius: 8px; padding: 0 14px; font-size: 13px; }")
                                   .arg(appkit::colorNamed("PopupCancelTextColor", appearance_).name(),
                                        appkit::colorNamed("PopupButtonBorderColor", appearance_).name()));
        QPointer<NotificationsController> self(this);
        connect(b, &QPushButton::clicked, this, [self, row, which] {
            if (self) self->model_->performCallToAction(row, which, self->store());
        });
        buttons->addWidget(b);
    };
    addButton(n.ctaPrimaryTitle(), 0, "primaryButton");
    addButton(n.ctaSecondaryTitle(), 1, "secondaryButton");
    buttons->addStretch(1);
    if (buttons->count() > 1) {
        texts->addSpacing(6);
        texts->addLayout(buttons);
    } else {
        delete buttons;
    }
    line->addLayout(texts, 1);

    if (!t::notificationCloseable(n.type())) {
        auto* close = new QToolButton(card);
        close->setObjectName(QStringLiteral("closeButton"));
        close->setAutoRaise(true);
        close->setIcon(appkit::imageNamed("NotificationClose"));
        close->setIconSize(QSize(16, 16));
        close->setFixedSize(24, 24);
        close->setCursor(Qt::PointingHandCursor);
        close->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
        QPointer<NotificationsController> self(this);
        connect(close, &QToolButton::clicked, this, [self, row] {
            if (self) self->model_->close(row, self->store());
        });
        line->addWidget(close, 0, Qt::AlignTop);
    }
    return card;
}

}  // namespace morvex
