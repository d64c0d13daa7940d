#include "LoginSessions.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <vector>

namespace morvex::helper {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr const char* kSession = "org.freedesktop.login1.Session";
constexpr std::uint64_t kCallTimeoutUsec = 2'000'000;

struct Session {
    uid_t uid;
    std::string seat;
    std::string path;
};

std::string errorText(const sd_bus_error& e, int r) {
    if (e.message) return e.message;
    return std::strerror(-r);
}

}  // namespace

LoginSessions::LoginSessions(std::string busAddress) : busAddress_(std::move(busAddress)) {}

LoginSessions::~LoginSessions() {
    if (bus_) sd_bus_flush_close_unref(bus_);
}

sd_bus* LoginSessions::connect(std::string& why) {
    if (bus_) return bus_;
    sd_bus* bus = nullptr;
    int r = 0;
    if (busAddress_.empty()) {
        r = sd_bus_open_system(&bus);
    } else {
        r = sd_bus_new(&bus);
        if (r >= 0) r = sd_bus_set_address(bus, busAddress_.c_str());
        if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
        if (r >= 0) r = sd_bus_start(bus);
    }
    if (r >= 0) r = sd_bus_set_method_call_timeout(bus, kCallTimeoutUsec);
    if (r < 0) {
        why = std::string("the login manager cannot be reached: ") + std::strerror(-r);
        if (bus) sd_bus_unref(bus);
        return nullptr;
    }
    bus_ = bus;
    return bus_;
}

std::optional<std::string> LoginSessions::ask(sd_bus* bus, uid_t uid, bool& busFailed) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus, kService, kManagerPath, kManager, "ListSessions", &error, &reply, "");
    if (r < 0) {
        busFailed = true;
        std::string why = "the login manager does not answer: " + errorText(error, r);
        sd_bus_error_free(&error);
        return why;
    }
    std::vector<Session> sessions;
    r = sd_bus_message_enter_container(reply, 'a', "(susso)");
    while (r > 0) {
        const char *id = nullptr, *user = nullptr, *seat = nullptr, *path = nullptr;
        std::uint32_t owner = 0;
        r = sd_bus_message_read(reply, "(susso)", &id, &owner, &user, &seat, &path);
        if (r > 0) sessions.push_back({static_cast<uid_t>(owner), seat ? seat : "", path ? path : ""});
    }
    sd_bus_message_unref(reply);
    if (r < 0) return "the login manager's answer cannot be read";
    for (const auto& s : sessions) {
        // A session without a seat is a remote or background one (ssh, cron, a service).
        if (s.uid != uid || s.seat.empty()) continue;
        int active = 0, remote = 1;
        r = sd_bus_get_property_trivial(bus, kService, s.path.c_str(), kSession, "Active", &error, 'b', &active);
        if (r >= 0)
            r = sd_bus_get_property_trivial(bus, kService, s.path.c_str(), kSession, "Remote", &error, 'b', &remote);
        sd_bus_error_free(&error);
        if (r < 0) continue;  // a session that ended meanwhile
        if (active && !remote) return std::nullopt;
    }
    return "the user has no active local session";
}

std::optional<std::string> LoginSessions::refusal(uid_t uid) {
    if (uid == 0) return std::nullopt;
    std::lock_guard lock(mutex_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string why;
        sd_bus* bus = connect(why);
        if (!bus) return why;
        bool busFailed = false;
        auto answer = ask(bus, uid, busFailed);
        if (!busFailed) return answer;
        // The bus went away (a restarted daemon): one new connection, then the answer stands.
        sd_bus_flush_close_unref(bus_);
        bus_ = nullptr;
        if (attempt == 1) return answer;
    }
    return "the login manager cannot be reached";
}

}  // namespace morvex::helper
