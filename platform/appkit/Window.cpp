#include "appkit/Window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <sstream>

#include "appkit/Sheet.h"
#include "appkit/ViewController.h"
#include "foundation/UserDefaults.h"

namespace morvex::appkit {

namespace {
std::string frameKey(const std::string& name) { return "NSWindow Frame " + name; }
}  // namespace

Window::Window(QSize contentSize) : application_(&Application::shared()) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    resize(contentSize);
    saveTimer_ = new QTimer(this);
    saveTimer_->setSingleShot(true);
    saveTimer_->setInterval(500);
    connect(saveTimer_, &QTimer::timeout, this, &Window::saveFrame);
    // Quitting is the application's decision (terminate), never a side effect of a closed window.
    QApplication::setQuitOnLastWindowClosed(false);
    application_->addWindow(this);
    connect(application_, &Application::effectiveAppearanceChanged, this, [this] { applyAppearance(); });
}

Window::~Window() {
    if (saveTimer_->isActive()) saveFrame();
    // The application may already be gone when it owned the window's controller.
    if (application_) application_->removeWindow(this);
    // Sheets still waiting end with the window, answering stop.
    while (!sheets_.empty()) {
        PendingSheet pending = std::move(sheets_.front());
        sheets_.pop_front();
        if (pending.sheet) pending.sheet->markEnded(modal::stop);
        if (pending.completion) pending.completion(modal::stop);
    }
}

void Window::setTitle(std::string_view title) { setWindowTitle(QString::fromUtf8(title.data(), qsizetype(title.size()))); }

std::string Window::title() const { return windowTitle().toStdString(); }

void Window::setContentSize(QSize size) { resize(size); }

void Window::setFrameAutosaveName(std::string name) {
    autosaveName_ = std::move(name);
    restoreFrame();
}

void Window::saveFrame() {
    saveTimer_->stop();
    if (autosaveName_.empty()) return;
    const QRect g = geometry();
    std::ostringstream text;
    text << g.x() << ' ' << g.y() << ' ' << g.width() << ' ' << g.height();
    UserDefaults::standard().set(Value(text.str()), frameKey(autosaveName_));
}

void Window::restoreFrame() {
    if (autosaveName_.empty()) return;
    auto text = UserDefaults::standard().string(frameKey(autosaveName_));
    if (!text) return;
    std::istringstream in(*text);
    int x = 0, y = 0, w = 0, h = 0;
    if (!(in >> x >> y >> w >> h) || w <= 0 || h <= 0) return;
    const QRect frame(x, y, w, h);
    bool onScreen = false;
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(frame)) onScreen = true;
    if (onScreen) {
        setGeometry(frame);
        placed_ = true;
        placeOnScreen();
    } else {
        resize(w, h);
    }
}

void Window::placeOnScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return;
    QRect frame = geometry();
    if (!placed_ && !testAttribute(Qt::WA_Moved)) {
        if (QScreen* primary = QGuiApplication::primaryScreen()) {
            frame.moveCenter(primary->availableGeometry().center());
            placed_ = true;
        }
    }
    // The screen the frame covers most (the primary one when it covers none).
    QScreen* best = QGuiApplication::primaryScreen();
    long long most = 0;
    for (QScreen* screen : screens) {
        const QRect common = screen->availableGeometry().intersected(frame);
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (area > most) most = area, best = screen;
    }
    if (!best) return;
    const QRect area = best->availableGeometry();
    // The top-left corner (and so the title bar) stays on screen even when the window is larger.
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    if (frame.topLeft() != geometry().topLeft()) setGeometry(frame);
}

void Window::frameChanged() {
    if (!autosaveName_.empty() && isVisible()) saveTimer_->start();
}

void Window::setContentViewController(ViewController* controller) {
    if (controller == content_) return;
    ViewController* old = content_;
    const bool shown = isVisible() && appeared_;
    if (old && shown && old->visible_) old->viewWillDisappear();
    QWidget* view = controller ? controller->view() : nullptr;
    if (controller) {
        controller->setParent(this);
        if (shown) controller->viewWillAppear();
    }
    if (old && old->isViewLoaded()) {
        layout_->removeWidget(old->view());
        old->view()->hide();
    }
    content_ = controller;
    if (view) {
        layout_->addWidget(view);
        view->show();
    }
    if (old) {
        if (shown && old->visible_) {
            old->visible_ = false;
            old->viewDidDisappear();
        }
        old->deleteLater();
    }
    if (controller && shown) {
        controller->visible_ = true;
        controller->viewDidAppear();
    }
    emit contentViewControllerChanged();
}

void Window::setTitleBarIcon(const QIcon& icon) { setWindowIcon(icon); }

void Window::setAppearance(std::optional<Appearance> appearance) {
    appearance_ = appearance;
    applyAppearance();
}

Appearance Window::effectiveAppearance() const {
    if (appearance_) return *appearance_;
    return application_ ? application_->effectiveAppearance() : Appearance::Aqua;
}

void Window::applyAppearance() {
    if (appearance_) setPalette(paletteFor(*appearance_));
    else setPalette(QApplication::palette());
}

void Window::beginSheet(Sheet* sheet, std::function<void(ModalResponse)> completion) {
    if (!sheet) return;
    sheet->attach(this);
    sheets_.push_back({sheet, std::move(completion)});
    presentNextSheet();
}

Sheet* Window::attachedSheet() const {
    if (sheets_.empty() || !sheets_.front().sheet || !sheets_.front().sheet->isVisible()) return nullptr;
    return sheets_.front().sheet;
}

void Window::presentNextSheet() {
    while (!sheets_.empty() && !sheets_.front().sheet) sheets_.pop_front();
    if (sheets_.empty()) return;
    Sheet* sheet = sheets_.front().sheet;
    if (sheet->isVisible()) return;
    sheet->adjustSize();
    // Hung from the top edge of the window, in the middle.
    const QRect g = geometry();
    sheet->move(g.x() + (g.width() - sheet->width()) / 2, g.y());
    sheet->show();
    sheet->raise();
    sheet->activateWindow();
}

void Window::endSheet(Sheet* sheet, ModalResponse response) {
    auto it = std::find_if(sheets_.begin(), sheets_.end(), [sheet](const PendingSheet& p) { return p.sheet == sheet; });
    if (it == sheets_.end()) return;
    PendingSheet pending = std::move(*it);
    sheets_.erase(it);
    sheet->markEnded(response);
    sheet->hide();
    sheet->deleteLater();
    if (pending.completion) pending.completion(response);
    emit sheetEnded(response);
    presentNextSheet();
}

void Window::deminiaturize() {
    if (isMinimized()) showNormal();
}

void Window::makeKeyAndOrderFront() {
    if (isMinimized()) showNormal();
    else show();
    raise();
    activateWindow();
}

void Window::performClose() { close(); }

void Window::closeEvent(QCloseEvent* event) {
    if (delegate_ && !delegate_->windowShouldClose(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}

void Window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!isMinimized()) placeOnScreen();
    placed_ = true;
    if (appeared_) return;
    appeared_ = true;
    if (content_) content_->appear();
}

void Window::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimising is no disappearance.
    if (!appeared_ || isMinimized()) return;
    appeared_ = false;
    saveFrame();
    if (content_) content_->disappear();
}

void Window::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    frameChanged();
}

void Window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    frameChanged();
}

}  // namespace morvex::appkit
