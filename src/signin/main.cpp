// The sign-in window's own process: shows the sign-in page the application asks for, hands the
// outcome back over the pipe it was started with, and ends. The web engine and its helper
// processes end with it, so the application keeps none of them after a sign-in.
//
// Its input (the application's end of the pipe) carries the sign-in to run, then scripts for the
// page and a request to close the window; its output carries the page's title, links for the
// desktop's browser, and the one answer (appkit/SignInWindowChannel.h). Nothing else may write to
// that output: the program's own standard output is moved to its error output before anything
// else runs. The end of its input, or the application's death, ends it at once.
#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "appkit/SignInWindowChannel.h"
#include "appkit/WebAuthenticationSession.h"
#include "appkit/WebView.h"

namespace {

using namespace morvex;
namespace signin = appkit::signin;

int g_answer = -1;  // the descriptor the messages go out on

void send(std::string_view verb, const QStringList& fields = {}) {
    const QByteArray line = signin::encode(verb, fields);
    const char* data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(g_answer, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ::_exit(3);  // the application is gone
        data += n;
        left -= n;
    }
}

class Window : public QObject {
public:
    void handle(const signin::Message& message) {
        if (message.verb == signin::kStart) {
            if (session_) return fail("a second sign-in");
            start(message.fields);
        } else if (!session_) {
            fail("\"" + message.verb + "\" before the sign-in");
        } else if (message.verb == signin::kRunScript) {
            session_->runJavaScript(message.fields.value(0));
        } else if (message.verb == signin::kClose) {
            session_->closeWindow();
        }
    }
    void fail(const std::string& why) {
        std::fprintf(stderr, "MorvexVPNSignIn: %s\n", why.c_str());
        ::_exit(2);
    }

private:
    void start(const QStringList& f) {
        session_ = new appkit::WebAuthenticationSession(
            QUrl(f[0], QUrl::StrictMode), f[1],
            [](std::optional<QUrl> url, std::optional<Error> error) {
                if (url) send(signin::kCallback, {url->toString(QUrl::FullyEncoded)});
                else send(signin::kFailed, {QString::number(error ? error->code : appkit::WebAuthenticationSessionErrorCode::canceledLogin),
                                            QString::fromStdString(error ? error->message : std::string())});
                // Handed over: nothing is left to do here.
                QCoreApplication::exit(0);
            },
            this);
        session_->runsInThisProcess = true;
        session_->prefersEphemeralWebBrowserSession = f[2] == QLatin1String("1");
        session_->windowTitle = f[3];
        const QSize size(f[4].toInt(), f[5].toInt());
        if (size.width() > 0 && size.height() > 0 && size.width() <= 4096 && size.height() <= 4096) session_->windowSize = size;
        session_->openOutside = [](const QUrl& url) { send(signin::kOpenOutside, {url.toString(QUrl::FullyEncoded)}); };
        session_->start();
        if (appkit::WebView* view = session_->webView())
            view->titleChanged = [](const QString& title) { send(signin::kTitle, {title}); };
        // Over the application's window, as a sheet would stand.
        const QRect anchor(f[6].toInt(), f[7].toInt(), f[8].toInt(), f[9].toInt());
        if (QWidget* window = session_->window(); window && !f[8].isEmpty() && anchor.width() > 0 && anchor.height() > 0)
            window->move(anchor.center() - QPoint(session_->windowSize.width() / 2, session_->windowSize.height() / 2));
    }

    appkit::WebAuthenticationSession* session_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    // Never outlives the application that started it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) return 1;
    // The answer keeps the output the application reads; everything else printed goes to errors.
    g_answer = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (g_answer < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 1;
    ::fcntl(STDIN_FILENO, F_SETFD, FD_CLOEXEC);

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);  // the session's answer ends the program, not the window
    Window window;
    signin::Reader reader(std::vector<signin::Verb>(std::begin(signin::kWindowVerbs), std::end(signin::kWindowVerbs)));
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[16 * 1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
        // The application closed its end: it wants nothing more (cancelled, answered, or gone).
        if (n <= 0) ::_exit(0);
        const bool ok = reader.feed(QByteArrayView(buffer, n));
        for (const signin::Message& message : reader.take()) window.handle(message);
        if (!ok) window.fail("unreadable input: " + reader.error());
    });
    return app.exec();
}
