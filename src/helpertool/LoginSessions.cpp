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

// A session's "Active" and "Remote", in one question (GetAll); false when it cannot be asked (a
// session that ended meanwhile).
bool activeAndRemote(sd_bus* bus, const std::string& path, int& active, int& remote) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus, kService, path.c_str(), "org.freedesktop.DBus.Properties", "GetAll", &error,
                               &reply, "s", kSession);
    sd_bus_error_free(&error);
    if (r < 0) return false;
    bool sawActive = false, sawRemote = false;
    r = sd_bus_message_enter_container(reply, 'a', "{sv}");
    while (r > 0) {
        r = sd_bus_message_enter_container(reply, 'e', "sv");
        if (r <= 0) break;
        const char* name = nullptr;
        r = sd_bus_message_read(reply, "s", &name);
        if (r < 0) break;
        if (name && (std::strcmp(name, "Active") == 0 || std::strcmp(name, "Remote") == 0)) {
            int value = 0;
            r = sd_bus_message_read(reply, "v", "b", &value);
            if (r < 0) break;
            (name[0] == 'A' ? active : remote) = value;
            (name[0] == 'A' ? sawActive : sawRemote) = true;
        } else {
            r = sd_bus_message_skip(reply, "v");
            if (r < 0) break;
        }
        r = sd_bus_message_exit_container(reply);
    }
    sd_bus_message_unref(reply);
    return r >= 0 && sawActive && sawRemote;
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
        if (activeAndRemote(bus, s.path, active, remote) && active && !remote) return std::nullopt;
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
