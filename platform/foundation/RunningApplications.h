#pragma once
// Which applications of the user's session are running, and starting one.
//
// An application shows that it runs by owning a well-known name on the D-Bus session bus made
// from its bundle identifier; the bus drops the name when the process ends, however it ends, so
// a look-up never sees a stale entry and needs no files or polling.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Error.h"

namespace morvex {

class RunningApplications {
public:
    static constexpr std::string_view errorDomain = "RunningApplicationsErrorDomain";
    enum ErrorCode { invalidIdentifier = 1, noSessionBus = 2, alreadyRunning = 3, launchFailed = 4 };

    // The bus name of a bundle identifier: the identifier itself, with a "_" put before any
    // element that begins with a digit. Nothing for a text that is not a bundle identifier
    // (two or more elements of ASCII letters, digits and "-", separated by single points).
    static std::optional<std::string> busName(std::string_view bundleIdentifier);

    // True when a process of this session owns the bus name of that identifier. False for a
    // text that is not a bundle identifier and when there is no session bus.
    static bool isRunning(std::string_view bundleIdentifier);

    // True when `uniqueName` (a connection's unique bus name, ":1.42") is the connection that owns
    // the identifier's bus name right now and belongs to this process's own user: the test for a
    // message that claims to come from that application.
    static bool isApplicationConnection(std::string_view bundleIdentifier, std::string_view uniqueName);

    // Claims the bus name of the identifier for this process, for as long as it runs. An
    // application calls it once at start with its own bundle identifier. Fails for a text that
    // is not a bundle identifier, without a session bus, and when another process owns the name.
    static Result<void> announce(std::string_view bundleIdentifier);

    // The running instance's "show yourself" request, for a second launch: the instance that
    // announced the identifier answers `show` on its bus name (at kActivationPath, method
    // kActivateMethod of kActivationInterface) for callers of this process's own user, and the
    // second launch asks with askToShow, which succeeds once the instance has answered.
    static constexpr std::string_view kActivationPath = "/Application";
    static constexpr std::string_view kActivationInterface = "org.freedesktop.Application";
    static constexpr std::string_view kActivateMethod = "Activate";
    static Result<void> answerShowRequests(std::string_view bundleIdentifier, std::function<void()> show);
    static Result<void> askToShow(std::string_view bundleIdentifier);

    // Starts a program as a process of its own that outlives this one; its process id. Fails when
    // the file is not an executable program or cannot be started.
    static Result<std::int64_t> launchApplication(const std::filesystem::path& executable,
                                                  const std::vector<std::string>& arguments = {});
};

}  // namespace morvex
