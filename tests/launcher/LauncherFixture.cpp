#include "LauncherFixture.h"

#include <signal.h>

#include <fstream>
#include <sstream>

#include "foundation/Bundle.h"
#include "foundation/RunningApplications.h"

namespace morvex::test {

namespace fs = std::filesystem;

namespace {

nlohmann::json readJson(const fs::path& file) {
    std::ifstream in(file);
    return nlohmann::json::parse(in);
}

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// A word for /bin/sh in single quotes.
std::string shellWord(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

}  // namespace

LauncherBundle::LauncherBundle() {
    const fs::path built(MORVEX_TEST_BUNDLE_DIR);
    const fs::path builtLauncher(MORVEX_TEST_LAUNCHER_BUNDLE_DIR);
    appBundle = root_.path() / "a \"b\" $HOME `c` 100% d\\e" / "MorvexVPN.app";
    launcherBundle = appBundle / fs::relative(builtLauncher, built);
    launcherProgram = launcherBundle / "bin" / fs::path(MORVEX_LAUNCHER_PROGRAM).filename();
    logFile = root_.path() / "application.log";

    fs::create_directories(appBundle / "Resources");
    fs::copy_file(built / "Resources" / "Info.json", appBundle / "Resources" / "Info.json");
    fs::create_directories(launcherProgram.parent_path());
    fs::copy_file(MORVEX_LAUNCHER_PROGRAM, launcherProgram);
    fs::copy(builtLauncher / "Resources", launcherBundle / "Resources", fs::copy_options::recursive);

    auto info = launcherInfo();
    appIdentifier = info.at("Application Bundle identifier").get<std::string>();
    appName = info.at("Application Name").get<std::string>();
    launcherIdentifier = readJson(appBundle / "Resources" / "Info.json").at("Launcher Bundle identifier");
    writeApplication(false);
}

LauncherBundle::~LauncherBundle() { stopApplications(); }

nlohmann::json LauncherBundle::launcherInfo() const { return readJson(launcherBundle / "Resources" / "Info.json"); }

void LauncherBundle::writeLauncherInfo(const nlohmann::json& info) {
    writeText(launcherBundle / "Resources" / "Info.json", info.dump(2));
}

void LauncherBundle::writeApplication(bool killsLauncher) {
    killsLauncher_ = killsLauncher;
    std::string script = "#!/bin/sh\nexec " + shellWord(MORVEX_FAKE_APPLICATION) + " --identifier " +
                         shellWord(appIdentifier) + " --log " + shellWord(logFile.string());
    if (killsLauncher) script += " --kill-launcher " + shellWord(launcherIdentifier);
    // Its output must not hold the launcher's (or the test runner's) pipes open.
    script += " >/dev/null 2>&1 </dev/null\n";
    auto program = appBundle / "bin" / appName;
    writeText(program, script);
    fs::permissions(program, fs::perms::owner_all);
}

std::unique_ptr<QProcess> LauncherBundle::startLauncher(const QStringList& program, const QStringList& environment) {
    auto process = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    for (const auto& e : environment) env.insert(e.section('=', 0, 0), e.section('=', 1));
    process->setProcessEnvironment(env);
    QStringList command = program;
    if (command.isEmpty()) command << QString::fromStdString(launcherProgram.string());
    process->start(command.front(), command.mid(1));
    return process;
}

std::unique_ptr<QProcess> LauncherBundle::startApplication() {
    auto process = std::make_unique<QProcess>();
    process->start("/bin/sh", {QString::fromStdString((appBundle / "bin" / appName).string())});
    return process;
}

std::vector<std::string> LauncherBundle::log() const {
    std::vector<std::string> lines;
    std::ifstream in(logFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t LauncherBundle::countLog(std::string_view prefix) const {
    std::size_t n = 0;
    for (const auto& line : log())
        if (line.starts_with(prefix)) ++n;
    return n;
}

bool LauncherBundle::waitForLog(std::string_view line) {
    return waitUntil([&] { return countLog(line) > 0; });
}

void LauncherBundle::stopApplications() {
    for (const auto& line : log()) {
        if (!line.starts_with("started ")) continue;
        const pid_t pid = std::stoi(line.substr(8));
        // Only a stand-in that still runs: its number may belong to someone else by now.
        std::error_code ec;
        auto exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
        if (!ec && exe == fs::path(MORVEX_FAKE_APPLICATION)) ::kill(pid, SIGTERM);
    }
    // Its name leaves the bus with it; the next test may claim it again.
    waitUntil([&] { return !RunningApplications::isRunning(appIdentifier); });
}

bool waitForExit(QProcess& process, std::chrono::milliseconds timeout) {
    return waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeout);
}

}  // namespace morvex::test
