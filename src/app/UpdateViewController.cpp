#include "app/UpdateViewController.h"

#include "appkit/Application.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "ui/shell/WindowMetrics.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/WebView.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"

namespace morvex {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

void paintBackground(QWidget* w, const char* color) {
    w->setAutoFillBackground(true);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, appkit::colorNamed(color, appkit::Application::shared().effectiveAppearance(), palette.color(QPalette::Window)));
    w->setPalette(palette);
}

QLabel* label(QWidget* parent, const char* name, int pointSize, QFont::Weight weight, const char* color) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont font = l->font();
    font.setPixelSize(pointSize);  // the look's points are pixels at 100 % scale
    font.setWeight(weight);
    l->setFont(font);
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("color: %1;").arg(appkit::colorNamed(color, appkit::Application::shared().effectiveAppearance(), Qt::black).name()));
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const std::string& title, bool primary) {
    auto* b = new QPushButton(text(title), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFixedHeight(30);
    b->setMinimumWidth(126);
    b->setCursor(Qt::PointingHandCursor);
    const QString theme = appkit::colorNamed("ThemeColor", appkit::Application::shared().effectiveAppearance(), QColor(0x47, 0x72, 0xA5)).name();
    const QString border = appkit::colorNamed("Separator", appkit::Application::shared().effectiveAppearance(), QColor(0xDE, 0xE2, 0xE6)).name();
    b->setStyleSheet(primary ? QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 8px; padding: 0 16px; }"
                                              "QPushButton:disabled { background: %2; }")
                                   .arg(theme, border)
                             : QStringLiteral("QPushButton { background: transparent; color: %1; border: 1px solid %2; border-radius: 8px; padding: 0 16px; }")
                                   .arg(theme, border));
    return b;
}

}  // namespace

UpdateViewController::UpdateViewController(QObject* parent) : UpdateViewController(std::make_unique<UpdateModel>(), parent) {}

UpdateViewController::UpdateViewController(std::unique_ptr<UpdateModel> model, QObject* parent)
    : ViewController(parent), model_(std::move(model)) {}

UpdateViewController::~UpdateViewController() { bindings_.clear(); }

void UpdateViewController::fill(bool forceUpdate, const InitialModel::UpdateInfo& info) {
    model_->forceUpdate = forceUpdate;
    model_->availableVersion = info.availableVersion;
    model_->releaseNote = info.releaseNote;
    model_->downloadUrl = info.downloadUrl.value_or("");
}

void UpdateViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("UpdateView"));
    paintBackground(view, "WindowBackground");
    auto* outer = new QVBoxLayout(view);
    outer->setContentsMargins(40, 32, 40, 28);
    outer->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->setSpacing(16);
    auto* logo = new QLabel(view);
    logo->setObjectName(QStringLiteral("updateLogo"));
    logo->setPixmap(appkit::imageNamed("Logo_doc", QSize(56, 56)));
    header->addWidget(logo, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    auto* title = label(view, "updateTitle", 20, QFont::Bold, "HeadingText");
    title->setText(text(localized("update.screen.title")));
    titles->addWidget(title);
    auto* version = label(view, "updateVersion", 14, QFont::Normal, "TabText");
    titles->addWidget(version);
    header->addLayout(titles, 1);
    outer->addLayout(header);

    auto* notesTitle = label(view, "releaseNotesTitle", 13, QFont::DemiBold, "HeadingText");
    notesTitle->setText(text(localized("update.release.notes")));
    outer->addSpacing(8);
    outer->addWidget(notesTitle);
    auto* notes = new QWidget(view);
    notes->setObjectName(QStringLiteral("releaseNotes"));
    notes->setAttribute(Qt::WA_StyledBackground, true);
    notes->setStyleSheet(QStringLiteral("#releaseNotes { background: %1; border: 1px solid %2; border-radius: 10px; }")
                             .arg(appkit::colorNamed("BottomColor", appkit::Application::shared().effectiveAppearance(), Qt::white).name(),
                                  appkit::colorNamed("Separator", appkit::Application::shared().effectiveAppearance(), Qt::lightGray).name()));
    auto* notesLayout = new QVBoxLayout(notes);
    notesLayout->setContentsMargins(1, 1, 1, 1);
    // Until a page loads (or when there is none to load) the box says so instead of staying blank.
    auto* unavailable = label(notes, "releaseNotesUnavailable", 13, QFont::Normal, "TabText");
    unavailable->setText(text(localized("update.release.notes.unavailable")));
    unavailable->setAlignment(Qt::AlignCenter);
    notesLayout->addWidget(unavailable);
    notesPlaceholder_ = unavailable;
    notesArea_ = notes;
    outer->addWidget(notes, 1);

    auto* progressRow = new QHBoxLayout;
    auto* progress = new QProgressBar(view);
    progress->setObjectName(QStringLiteral("downloadProgress"));
    progress->setRange(0, 1000);
    progress->setTextVisible(false);
    progress->setFixedHeight(6);
    progress->setStyleSheet(QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 3px; }"
                                           "QProgressBar::chunk { background: %2; border-radius: 3px; }")
                                .arg(appkit::colorNamed("Separator", appkit::Application::shared().effectiveAppearance(), Qt::lightGray).name(),
                                     appkit::colorNamed("ThemeColor", appkit::Application::shared().effectiveAppearance(), Qt::blue).name()));
    auto* remaining = label(view, "timeRemaining", 13, QFont::Normal, "TabText");
    remaining->setWordWrap(false);
    progressRow->addWidget(progress, 1);
    progressRow->addSpacing(12);
    progressRow->addWidget(remaining);
    outer->addLayout(progressRow);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    auto* later = button(view, "remindMeLaterButton", localized("update.remind.later"), false);
    auto* quit = button(view, "quitButton", localized("update.quit"), false);
    auto* cancel = button(view, "cancelButton", localized("cancel"), false);
    auto* install = button(view, "installNowButton", localized("update.install.now"), true);
    buttons->addStretch(1);
    buttons->addWidget(later);
    buttons->addWidget(quit);
    buttons->addWidget(cancel);
    buttons->addWidget(install);
    outer->addLayout(buttons);

    UpdateModel* m = model_.get();
    QObject::connect(install, &QPushButton::clicked, this, [m] { m->installNow(); });
    QObject::connect(later, &QPushButton::clicked, this, [m] { m->remindMeLater(); });
    QObject::connect(quit, &QPushButton::clicked, this, [m] { m->quit(); });
    QObject::connect(cancel, &QPushButton::clicked, this, [m] { m->cancel(); });

    bindings_.push_back(appkit::bindProperty<std::string>(m->availableVersion, [version](const std::string& v) {
        version->setText(text(UpdateModel::localizedFormat("update.screen.version %@", v)));
    }));
    bindings_.push_back(appkit::bindProperty<double>(m->downloadProgress, [progress](double fraction) {
        progress->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000));
    }));
    bindings_.push_back(appkit::bindProperty<std::string>(m->timeRemaining, [remaining](const std::string& t) { remaining->setText(text(t)); }));
    bindings_.push_back(appkit::bindProperty<bool>(m->downloading, [progress, remaining, install, cancel](bool on) {
        progress->setVisible(on);
        remaining->setVisible(on);
        install->setEnabled(!on);
        cancel->setVisible(on);
    }));
    bindings_.push_back(appkit::bindProperty<bool>(m->forceUpdate, [later, quit](bool forced) {
        later->setVisible(!forced);
        quit->setVisible(forced);
    }));
    setView(view);
}

void UpdateViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    model_->preferences.setManuallyCheckForUpdate(false);
    if (appkit::Window* first = appkit::Application::shared().firstWindow()) first->setContentSize(kMainWindowContentSize);
}

void UpdateViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    const QUrl url(text(model_->releaseNote.value()), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || !notesArea_) return;
    if (!webView_) {
        webView_ = new appkit::WebView(notesArea_);
        webView_->setObjectName(QStringLiteral("releaseNotesWebView"));
        notesArea_->layout()->addWidget(webView_);
        if (notesPlaceholder_) notesPlaceholder_->hide();
    }
    webView_->load(url);
}

UpdateView::UpdateView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("updateMessage"));
    text->setWordWrap(true);
    layout->addWidget(text);
    message = std::nullopt;
    binding_ = appkit::bindProperty<std::optional<std::string>>(message, [text](const std::optional<std::string>& m) {
        text->setText(QString::fromStdString(m.value_or("")));
    });
}

}  // namespace morvex
