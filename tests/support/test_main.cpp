// The one test main: a QApplication on the offscreen platform, the main bundle pointed at the
// build's application bundle, and the keychain on its file store unless a test run chose otherwise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>

#include "foundation/Bundle.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("MORVEX_KEYCHAIN", "file", 0);
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    morvex::Bundle::setMainBundlePath(MORVEX_TEST_BUNDLE_DIR);
    return RUN_ALL_TESTS();
}
