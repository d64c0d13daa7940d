// The one test main: a QApplication on the offscreen platform, the main bundle pointed at the
// build's application bundle, and the keychain on its file store unless a test run chose otherwise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include "foundation/Bundle.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("MORVEX_KEYCHAIN", "file", 0);
    // Without a session's runtime folder Qt makes "runtime-<user>" in the temporary folder and leaves
    // it there; a test program gets one of its own instead, removed when it ends.
    std::filesystem::path runtime;
    if (const char* given = std::getenv("XDG_RUNTIME_DIR"); !given || !*given) {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvex-runtime-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            runtime = pattern;
            ::setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
        }
    }
    ::testing::InitGoogleMock(&argc, argv);
    int status = 0;
    {
        QApplication app(argc, argv);
        morvex::Bundle::setMainBundlePath(MORVEX_TEST_BUNDLE_DIR);
        status = RUN_ALL_TESTS();
    }
    if (!runtime.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtime, ec);
    }
    return status;
}
