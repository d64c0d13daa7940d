// The language prompts and the two ways the application starts itself again so that a new
// in-app language takes full effect.
#include <atomic>

#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"

namespace morvex {

namespace {

std::atomic<bool> relaunching{false};

constexpr std::string_view kNoWindowLine = "Error: Could not find a window to present the language restart prompt.";

}  // namespace

bool isRelaunching() { return relaunching.load(); }
void setIsRelaunching(bool value) { relaunching.store(value); }

void Alert::showChangeLanguage(std::shared_ptr<AlertWindow> target) {
    if (!target) return;
    fill(localized("setting.change.language.alert.title"), localized("setting.change.language.alert.message"),
         Style::informational,
         {localized("setting.change.language.alert.button.one"), localized("setting.change.language.alert.button.two")});
    window = std::move(target);
    auto services = services_;
    beginSheet([services](ModalResponse response) {
        if (response == alertFirstButtonReturn) Alert(services).relaunchApp(1.0);
    });
}

void Alert::relaunchApp(double delay) {
    setIsRelaunching(true);
    const Bundle& bundle = Bundle::main();
    const std::string program = bundle.string("Application Name").value_or("MorvexVPN");
    // The shell reads only this fixed text; the delay, the bundle's path and the program's name
    // reach it as arguments, so no path can change what it runs.
    const std::vector<std::string> arguments{
        "-c", "sleep \"$1\"; exec \"$2/bin/$3\"", "relaunch", decimalText(delay), bundle.bundlePath().string(), program};
    if (services_.launchProcess) (void)services_.launchProcess("/bin/sh", arguments);  // its outcome is ignored
    if (services_.terminate) services_.terminate();
    if (services_.exitProcess) services_.exitProcess(0);
}

void Alert::showConfirmLanguageChange(std::shared_ptr<AlertWindow> target, OwnedCallback<bool> answer) {
    if (!target) {
        log::print(kNoWindowLine);
        answer(false);  // as cancelled, when the languages screen is still there
        return;
    }
    fill(localized("alert.title.confirmLanguageChange"), localized("alert.message.confirmLanguageChange"),
         Style::informational, {localized("button.confirmAndRestart"), localized("button.cancel")});
    window = std::move(target);
    beginSheet([answer](ModalResponse response) { answer(response == alertFirstButtonReturn); });
}

void Alert::showConfirmLanguageChangeConnected(std::shared_ptr<AlertWindow> target) {
    if (!target) {
        log::print(kNoWindowLine);
        return;
    }
    fill(localized("alert"), localized("alert.message.confirmLanguageChange.connected"), Style::informational,
         {localized("ok")});
    window = std::move(target);
    // The language stays as it is and nothing restarts.
    beginSheet([](ModalResponse) {});
}

void Alert::runRestartScript() {
    const std::string bundlePath = Bundle::main().bundlePath().string();
    log::print("App Bundle Path: " + bundlePath);
    auto script = Bundle::main().pathForResource("restart", "sh");
    if (!script) {
        log::print("Error: Could not find restart.sh script in bundle resources.");
        Alert(services_).showRestartFailed();
        return;
    }
    log::print("Helper Script Path: " + script->string());
    log::print("Launching helper script...");
    Result<void> launched = services_.launchProcess
                                ? services_.launchProcess("/bin/sh", {script->string(), bundlePath})
                                : fail(Error("MorvexVPNErrorDomain", 0, "no process launcher"));
    if (!launched) {
        log::print("Error: Failed to launch restart script - " + launched.error().localizedDescription());
        Alert(services_).showRestartFailed();
        return;
    }
    log::print("Helper script launched. Terminating current application.");
    // On the next turn of the main queue, so the confirmation sheet's handler returns first.
    if (services_.afterDelay && services_.terminate) services_.afterDelay(0, services_.terminate);
}

void Alert::showRestartFailed() {
    fill(localized("alert.title.restartFailed"), localized("alert.message.restartFailed"), Style::critical,
         {localized("button.ok")});
    if (!services_.presenter) {
        log::print("[Alert] No alert presenter installed; not shown: " + title);
        return;
    }
    (void)services_.presenter->runModal(*this);
}

}  // namespace morvex
