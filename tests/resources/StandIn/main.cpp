// A stand-in for the application program, for the restart script's tests. It appends what it does
// to the file named by MORVEX_STANDIN_LOG, one line per event, with the monotonic clock in
// nanoseconds (comparable between processes):
//   start <ns> <its own program file>
//   end <ns>                      (only with --hold, when it quits)
//   MorvexVPN --hold <ms>         the running instance: starts, waits, quits
//   MorvexVPN                     an instance started by the restart script: starts and quits
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

void append(const std::string& line) {
    const char* log = std::getenv("MORVEX_STANDIN_LOG");
    if (!log) return;
    const int fd = ::open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const std::string text = line + "\n";
    [[maybe_unused]] auto written = ::write(fd, text.data(), text.size());  // one write: lines never mix
    ::close(fd);
}

long long now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    std::error_code ec;
    append("start " + std::to_string(now()) + " " + std::filesystem::read_symlink("/proc/self/exe", ec).string());
    if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        append("end " + std::to_string(now()));
    }
    return 0;
}
