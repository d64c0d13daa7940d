// helper_fake_login_manager: a login manager of the tests' own, on a bus of the tests' own. It
// answers the few questions the helper asks about sessions (ListSessions, and the Active and Remote
// properties of a session, one by one or all at once) from a file the test writes, read afresh for every question, with one
// session a line: "ID UID SEAT ACTIVE REMOTE" (SEAT "-" for none, ACTIVE and REMOTE 0 or 1).
//   helper_fake_login_manager DIR
// It runs the bus itself (a dbus-daemon listening on DIR/bus, every user allowed), reads
// DIR/sessions and writes DIR/ready once its name is owned and questions are answered. It ends
// with the process that started it, and the bus with it, so a test that dies leaves nothing.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

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

int getAllProperties(sd_bus_message* call, sd_bus_error* error) {
    const std::string path = sd_bus_message_get_path(call);
    for (const auto& s : sessions()) {
        if (s.path() != path) continue;
        sd_bus_message* reply = nullptr;
        int r = sd_bus_message_new_method_return(call, &reply);
        if (r >= 0)
            r = sd_bus_message_append(reply, "a{sv}", 3, "Id", "s", s.id.c_str(), "Active", "b", s.active, "Remote",
                                      "b", s.remote);
        if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
        sd_bus_message_unref(reply);
        return r < 0 ? r : 1;
    }
    return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_OBJECT, path.c_str());
}

int handle(sd_bus_message* m, void*, sd_bus_error* error) {
    if (sd_bus_message_is_method_call(m, "org.freedesktop.login1.Manager", "ListSessions")) return listSessions(m);
    if (sd_bus_message_is_method_call(m, "org.freedesktop.DBus.Properties", "Get")) return getProperty(m, error);
    if (sd_bus_message_is_method_call(m, "org.freedesktop.DBus.Properties", "GetAll"))
        return getAllProperties(m, error);
    return 0;
}

pid_t g_daemon = -1;

void endDaemon() {
    if (g_daemon > 0) ::kill(g_daemon, SIGTERM);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: helper_fake_login_manager DIR\n");
        return 2;
    }
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) return 0;
    ::signal(SIGTERM, [](int) {
        endDaemon();
        ::_exit(0);
    });
    const std::filesystem::path dir = argv[1];
    const std::string socket = (dir / "bus").string();
    const std::string address = "unix:path=" + socket;
    const std::string sessionsFile = (dir / "sessions").string();
    g_sessionsFile = sessionsFile.c_str();
    std::ofstream(dir / "bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>custom</type><listen>" << address << "</listen><auth>EXTERNAL</auth>\n"
           "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
    const std::string config = "--config-file=" + (dir / "bus.conf").string();
    g_daemon = ::fork();
    if (g_daemon == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::execl("/usr/bin/dbus-daemon", "dbus-daemon", "--nofork", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::atexit(endDaemon);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);  // the daemon starts slowly on a loaded machine
    while (!std::filesystem::exists(socket) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r >= 0) r = sd_bus_add_fallback(bus, nullptr, "/org/freedesktop/login1", handle, nullptr);
    if (r >= 0) r = sd_bus_request_name(bus, "org.freedesktop.login1", 0);
    if (r < 0) {
        std::fprintf(stderr, "helper_fake_login_manager: %s\n", std::strerror(-r));
        return 1;
    }
    std::ofstream(dir / "ready") << "ready\n";
    for (;;) {
        r = sd_bus_process(bus, nullptr);
        if (r < 0) return 0;  // the bus has gone: so has the test
        if (r > 0) continue;
        if (sd_bus_wait(bus, UINT64_MAX) < 0) return 0;
    }
}
