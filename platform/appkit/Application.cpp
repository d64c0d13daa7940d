#include "appkit/Application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "appkit/Window.h"

namespace morvex::appkit {

namespace {
Application* g_current = nullptr;
Application* g_madeOnDemand = nullptr;

// The signal handler only writes a byte; the main loop reads it and asks for termination.
int g_signalPipe[2] = {-1, -1};
void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(g_signalPipe[0], &byte, 1);
}
}  // namespace

Application::Application() : previous_(g_current) {
    g_current = this;
    lastEffective_ = effectiveAppearance();
    connect(&system_, &SystemAppearance::changed, this, [this](Appearance) { applyEffectiveAppearance(); });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        if (active == wasActive_) return;
        wasActive_ = active;
        if (!delegate_) return;
        if (active) delegate_->applicationWillBecomeActive();
        else delegate_->applicationDidResignActive();
    });
}

Application::~Application() {
    if (g_current == this) g_current = previous_;
    if (g_madeOnDemand == this) g_madeOnDemand = nullptr;
}

Application& Application::shared() {
    if (!g_current) {
        g_madeOnDemand = new Application();
        g_madeOnDemand->setParent(qApp);
    }
    return *g_current;
}

int Application::run() {
    running_ = true;
    QTimer::singleShot(0, this, [this] {
        if (delegate_) delegate_->applicationDidFinishLaunching();
    });
    const int status = QApplication::exec();
    running_ = false;
    return status;
}

std::vector<Window*> Application::windows() const {
    std::vector<Window*> out;
    for (const auto& w : windows_)
        if (w) out.push_back(w.data());
    return out;
}

Window* Application::firstWindow() const {
    for (const auto& w : windows_)
        if (w) return w.data();
    return nullptr;
}

void Application::addWindow(Window* window) { windows_.emplace_back(window); }

void Application::removeWindow(Window* window) {
    std::erase_if(windows_, [window](const QPointer<Window>& w) { return !w || w.data() == window; });
    std::erase_if(hiddenWindows_, [window](const QPointer<Window>& w) { return !w || w.data() == window; });
}

void Application::terminate() {
    if (terminated_ || awaitingReply_) return;
    const TerminateReply reply = delegate_ ? delegate_->applicationShouldTerminate() : TerminateReply::Now;
    switch (reply) {
    case TerminateReply::Now: finishTermination(); break;
    case TerminateReply::Later: awaitingReply_ = true; break;
    case TerminateReply::Cancel: break;
    }
}

void Application::replyToApplicationShouldTerminate(bool shouldTerminate) {
    if (!awaitingReply_) return;
    awaitingReply_ = false;
    if (shouldTerminate) finishTermination();
}

void Application::finishTermination() {
    if (terminated_) return;
    terminated_ = true;
    if (delegate_) delegate_->applicationWillTerminate();
    if (running_) QCoreApplication::exit(0);
}

void Application::terminateOnSignals() {
    if (g_signalPipe[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        [[maybe_unused]] auto got = ::read(g_signalPipe[1], buffer, sizeof buffer);
        terminate();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void Application::activate(bool ignoringOtherApps) {
    (void)ignoringOtherApps;  // a desktop application cannot take the focus from others beyond this
    unhide();
    if (Window* first = firstWindow(); first && first->isVisible()) {
        first->raise();
        first->activateWindow();
    }
}

void Application::deactivate() {
    // The window manager decides who gets the focus next; nothing of ours stays raised.
    if (QWidget* active = QApplication::activeWindow()) active->clearFocus();
}

bool Application::isActive() const { return QGuiApplication::applicationState() == Qt::ApplicationActive; }

void Application::hide() {
    if (hidden_) return;
    hidden_ = true;
    hiddenWindows_.clear();
    for (const auto& w : windows_) {
        if (w && w->isVisible()) {
            hiddenWindows_.emplace_back(w);
            w->hide();
        }
    }
}

void Application::unhide() {
    if (!hidden_) return;
    hidden_ = false;
    for (const auto& w : hiddenWindows_)
        if (w) w->show();
    hiddenWindows_.clear();
}

bool Application::setActivationPolicy(ActivationPolicy policy) {
    if (policy == policy_) return true;
    policy_ = policy;
    emit activationPolicyChanged(policy);
    return true;
}

void Application::setAppearance(std::optional<Appearance> appearance) {
    appearance_ = appearance;
    applyEffectiveAppearance();
}

Appearance Application::effectiveAppearance() const { return appearance_.value_or(system_.current()); }

void Application::applyEffectiveAppearance() {
    const Appearance now = effectiveAppearance();
    if (now == lastEffective_) return;
    lastEffective_ = now;
    QApplication::setPalette(paletteFor(now));
    emit effectiveAppearanceChanged(now);
}

}  // namespace morvex::appkit
