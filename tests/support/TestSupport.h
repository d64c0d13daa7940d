#pragma once
// Shared test helpers: a fresh configuration directory per test, and waiting on the event loop.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace morvex::test {

// Runs the Qt event loop until `condition` holds or `timeout` passes; answers the condition.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
// Runs the event loop for a while (for "nothing else happens" checks).
void spinFor(std::chrono::milliseconds duration);
// Deletes the objects whose deleteLater is due, as the run loop would between events.
void flushDeferredDeletes();

// Gives each test an empty configuration directory (preferences, keychain file, stores), so tests
// never see each other's state.
class TempConfigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::filesystem::path& configDir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

// A fresh temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace morvex::test
