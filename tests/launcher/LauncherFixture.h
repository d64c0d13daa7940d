#pragma once
// An application bundle laid out like the built one, in a temporary folder whose name needs
// quoting and escaping wherever it is written: the stand-in application as its program, and a
// copy of the built launcher with the shipped Info values in its login-items folder. Whatever
// stand-in applications were started are terminated with the fixture.
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace morvex::test {

class LauncherBundle {
public:
    LauncherBundle();
    ~LauncherBundle();

    std::filesystem::path appBundle;
    std::filesystem::path launcherBundle;
    std::filesystem::path launcherProgram;
    std::filesystem::path logFile;
    std::string appIdentifier;       // "Application Bundle identifier" of the launcher
    std::string appName;             // "Application Name" of the launcher
    std::string launcherIdentifier;  // "Launcher Bundle identifier" of the application

    nlohmann::json launcherInfo() const;
    void writeLauncherInfo(const nlohmann::json& info);
    // (Re)writes the application's program; with `killsLauncher` it tells a running launcher to
    // quit once it runs, as the application does.
    void writeApplication(bool killsLauncher);

    // Starts the launcher with the given environment changes ("NAME=value").
    std::unique_ptr<QProcess> startLauncher(const QStringList& program = {},
                                            const QStringList& environment = {});
    // Starts the stand-in application directly (not through the launcher).
    std::unique_ptr<QProcess> startApplication();

    std::vector<std::string> log() const;
    std::size_t countLog(std::string_view prefix) const;
    bool waitForLog(std::string_view line);

private:
    void stopApplications();
    TempDir root_;
    bool killsLauncher_ = false;
};

// Waits for the process to end; false when it is still running after the timeout.
bool waitForExit(QProcess& process, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

}  // namespace morvex::test
