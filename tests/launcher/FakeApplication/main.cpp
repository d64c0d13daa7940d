// A stand-in for the application in the launcher tests: it claims the application's name on the
// session bus the way the application does at start, optionally tells a running launcher to quit,
// notes what it did in a log file, and stays until it is terminated (or a minute has passed, so a
// forgotten copy cannot outlive the test run for long).
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <string>

#include "foundation/DistributedNotificationCenter.h"
#include "foundation/RunningApplications.h"

namespace {

std::string g_log;

void note(const std::string& line) {
    int fd = ::open(g_log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    std::string text = line + "\n";
    [[maybe_unused]] auto written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string identifier, launcher;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--identifier") identifier = argv[i + 1];
        else if (option == "--log") g_log = argv[i + 1];
        else if (option == "--kill-launcher") launcher = argv[i + 1];
    }
    note("started " + std::to_string(::getpid()));
    if (auto announced = morvex::RunningApplications::announce(identifier); !announced) {
        note("refused " + announced.error().localizedDescription());
        return 3;
    }
    note("announced");
    if (!launcher.empty() && morvex::RunningApplications::isRunning(launcher)) {
        morvex::DistributedNotificationCenter::defaultCenter().post("killMorvexVPNLauncher", identifier);
        note("told the launcher to quit");
    }
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
