#include "ui/locations/SortViewController.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/CountriesStyle.h"

namespace morvex {

namespace {

// Watches every left-button release in the application and hands it on unchanged.
class ReleaseMonitor : public QObject {
public:
    explicit ReleaseMonitor(std::function<void()> handler) : handler_(std::move(handler)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~ReleaseMonitor() override {
        if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A release reaches the filter once per widget it propagates through; the window's own
        // delivery is the one that counts.
        if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow() &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && handler_) {
            handler_();
        }
        return false;
    }

private:
    std::function<void()> handler_;
};

QPushButton* radio(QWidget* parent, const std::string& title) {
    auto* button = new QPushButton(countries::qs(title), parent);
    button->setCheckable(true);
    button->setAutoExclusive(false);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(systemFont(14));
    button->setIconSize(QSize(16, 16));
    button->setFixedHeight(32);
    return button;
}

void mark(QAbstractButton* button, bool on) {
    if (!button) return;
    button->setChecked(on);
    const char* name = on ? "sortRadioSelected" : "sortRadioUnselected";
    button->setIcon(on ? appkit::imageNamed("sortRadioSelected") : appkit::imageNamed("sortRadioUnselected"));
    button->setProperty("imageName", QString::fromLatin1(name));
}

}  // namespace

SortViewController::SortViewController(QObject* parent) : ViewController(parent) {
    setPreferredContentSize(QSize(300, 220));
}

SortViewController::~SortViewController() { removeMonitor(); }

void SortViewController::loadView() {
    auto* view = new CustomView;
    view->setObjectName(QStringLiteral("SortViewController"));
    view->setMinimumSize(300, 200);
    view->setBackgroundColor(ThemedColor::colorNamed("PopupBGColorNew"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(8);
    title_ = new QLabel(countries::qs(localized("sort.title")), view);
    title_->setFont(systemFont(20, QFont::Bold));
    column->addWidget(title_);
    column->addSpacing(4);
    btnPopularity = radio(view, localized("sort.popularity"));
    btnAlphabetically = radio(view, localized("sort.alphabetically"));
    btnPing = radio(view, localized("sort.ping"));
    for (QAbstractButton* b : {btnPopularity.data(), btnAlphabetically.data(), btnPing.data()}) column->addWidget(b);
    column->addStretch(1);
    connect(btnPopularity, &QAbstractButton::clicked, this, [this] { btnPopularityAction(); });
    connect(btnAlphabetically, &QAbstractButton::clicked, this, [this] { btnAlphabeticallyAction(); });
    connect(btnPing, &QAbstractButton::clicked, this, [this] { btnPingAction(); });
    setView(view);
}

void SortViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    QPointer<SortViewController> self(this);
    monitor = std::make_unique<ReleaseMonitor>([self] {
        // The release goes on to its target first (a radio's click still chooses), then the sheet
        // closes.
        QTimer::singleShot(0, [self] {
            if (!self) return;
            self->removeMonitor();
            self->dismissSheet();
        });
    });
}

void SortViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    // Resolved in the window the sheet shows in, whose look it takes.
    countries::setTextColor(title_, ThemedColor::colorNamed("PopupTitleColor").resolve(view()));
    const QColor text = ThemedColor::colorNamed("PopupContentColor").resolve(view());
    for (QAbstractButton* b : {btnPopularity.data(), btnAlphabetically.data(), btnPing.data()})
        b->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; text-align: left; color: %1; }")
                             .arg(text.name()));
    const AppManager& app = AppManager::shared();
    mark(btnPopularity, app.isPopularitySortingEnabled());
    mark(btnAlphabetically, app.isAlphabaticalSortingEnabled());
    mark(btnPing, app.isPingSortingEnabled());
}

void SortViewController::btnPopularityAction() { choose(1); }
void SortViewController::btnAlphabeticallyAction() { choose(0); }
void SortViewController::btnPingAction() { choose(2); }

void SortViewController::choose(int kind) {
    if (auto* d = delegate.get()) d->sortSelected(kind);
    removeMonitor();
    dismissSheet();
}

void SortViewController::removeMonitor() { monitor.reset(); }

void SortViewController::dismissSheet() {
    if (presentingViewController()) dismiss(this);
}

}  // namespace morvex
