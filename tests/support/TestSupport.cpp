#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>

#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"

namespace morvex::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() >= timeout.count()) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void spinFor(std::chrono::milliseconds duration) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

void flushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvex-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempConfigTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvex-config-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    ASSERT_NE(made, nullptr);
    dir_ = made;
    paths::setConfigDirectoryOverride(dir_);
    UserDefaults::releaseStores();
}

void TempConfigTest::TearDown() {
    UserDefaults::releaseStores();
    paths::setConfigDirectoryOverride({});
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace morvex::test
