// helper_fake_login_manager: a login manager of the tests' own, on a bus of the tests' own. It
// answers the few questions the helper asks about sessions (ListSessions, and the Active and Remote
// properties of a session) from a file the test writes, read afresh for every question, with one
// session a line: "ID UID SEAT ACTIVE REMOTE" (SEAT "-" for none, ACTIVE and REMOTE 0 or 1).
//   helper_fake_login_manager BUS_ADDRESS SESSIONS_FILE READY_FILE
// READY_FILE is written once the name is owned and questions are answered.
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Session {
    std::string id;
    unsigned uid = 0;
    std::string seat;
    int active = 0;
    int remote = 0;
    std::string path() const { return "/org/freedesktop/login1/session/" + id; }
};

const char* g_sessionsFile = nullptr;

std::vector<Session> sessions() {
    std::vector<Session> out;
    std::ifstream in(g_sessionsFile);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Session s;
        if (!(fields >> s.id >> s.uid >> s.seat >> s.active >> s.remote)) continue;
        if (s.seat == "-") s.seat.clear();
        out.push_back(s);
    }
    return out;
}

int listSessions(sd_bus_message* call) {
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(susso)");
    for (const auto& s : sessions()) {
        if (r < 0) break;
        r = sd_bus_message_append(reply, "(susso)", s.id.c_str(), s.uid, "user", s.seat.c_str(), s.path().c_str());
    }
    if (r >= 0) r = sd_bus_message_close_container(reply);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r < 0 ? r : 1;
}

int getProperty(sd_bus_message* call, sd_bus_error* error) {
    const char *interface = nullptr, *property = nullptr;
    int r = sd_bus_message_read(call, "ss", &interface, &property);
    if (r < 0) return r;
    const std::string path = sd_bus_message_get_path(call);
    for (const auto& s : sessions()) {
        if (s.path() != path) continue;
        if (std::strcmp(property, "Active") == 0) return sd_bus_reply_method_return(call, "v", "b", s.active);
        if (std::strcmp(property, "Remote") == 0) return sd_bus_reply_method_return(call, "v", "b", s.remote);
        return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_PROPERTY, property);
    }
    return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_OBJECT, path.c_str());
}

int handle(sd_bus_message* m, void*, sd_bus_error* error) {
    if (sd_bus_message_is_method_call(m, "org.freedesktop.login1.Manager", "ListSessions")) return listSessions(m);
    if (sd_bus_message_is_method_call(m, "org.freedesktop.DBus.Properties", "Get")) return getProperty(m, error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: helper_fake_login_manager BUS_ADDRESS SESSIONS_FILE READY_FILE\n");
        return 2;
    }
    g_sessionsFile = argv[2];
    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, argv[1]);
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r >= 0) r = sd_bus_add_fallback(bus, nullptr, "/org/freedesktop/login1", handle, nullptr);
    if (r >= 0) r = sd_bus_request_name(bus, "org.freedesktop.login1", 0);
    if (r < 0) {
        std::fprintf(stderr, "helper_fake_login_manager: %s\n", std::strerror(-r));
        return 1;
    }
    std::ofstream(argv[3]) << "ready\n";
    for (;;) {
        r = sd_bus_process(bus, nullptr);
        if (r < 0) return 0;  // the bus has gone: so has the test
        if (r > 0) continue;
        if (sd_bus_wait(bus, UINT64_MAX) < 0) return 0;
    }
}
