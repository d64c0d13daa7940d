#include "Subprocess.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>

extern char** environ;

namespace morvex::helper {

namespace {

struct Pipe {
    int r = -1, w = -1;
    bool open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        r = fds[0];
        w = fds[1];
        return true;
    }
    static void closeFd(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    ~Pipe() {
        closeFd(r);
        closeFd(w);
    }
};

}  // namespace

ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    // A child that exits before reading all of its input must not kill the caller.
    static std::once_flag ignorePipeSignal;
    std::call_once(ignorePipeSignal, [] { ::signal(SIGPIPE, SIG_IGN); });
    ProcessResult result;
    Pipe in, out, err;
    if (!in.open()) return result;
    if (options.captureOutput && (!out.open() || !err.open())) return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.r, STDIN_FILENO);
    if (options.captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, out.w, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err.w, STDERR_FILENO);
    }
    std::vector<char*> argv;
    std::string path = program.string();
    argv.push_back(path.data());
    std::vector<std::string> args = arguments;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Pipe::closeFd(in.r);
    Pipe::closeFd(out.w);
    Pipe::closeFd(err.w);
    if (rc != 0) {
        result.error = "cannot start " + path;
        return result;
    }

    std::string_view pendingInput = options.input;
    if (pendingInput.empty()) Pipe::closeFd(in.w);
    else ::fcntl(in.w, F_SETFL, ::fcntl(in.w, F_GETFL) | O_NONBLOCK);

    char buf[16384];
    while (in.w >= 0 || out.r >= 0 || err.r >= 0) {
        pollfd fds[3];
        int n = 0;
        int idxIn = -1, idxOut = -1, idxErr = -1;
        if (in.w >= 0) { idxIn = n; fds[n++] = {in.w, POLLOUT, 0}; }
        if (out.r >= 0) { idxOut = n; fds[n++] = {out.r, POLLIN, 0}; }
        if (err.r >= 0) { idxErr = n; fds[n++] = {err.r, POLLIN, 0}; }
        if (::poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (idxIn >= 0 && fds[idxIn].revents) {
            const ssize_t w = ::write(in.w, pendingInput.data(), pendingInput.size());
            if (w > 0) pendingInput.remove_prefix(static_cast<std::size_t>(w));
            if ((w < 0 && errno != EAGAIN && errno != EINTR) || pendingInput.empty() ||
                (fds[idxIn].revents & (POLLERR | POLLHUP)))
                Pipe::closeFd(in.w);
        }
        auto drain = [&](int idx, int& fd, std::string& into, bool isOutput) {
            if (idx < 0 || !fds[idx].revents) return;
            const ssize_t r = ::read(fd, buf, sizeof buf);
            if (r > 0) {
                into.append(buf, static_cast<std::size_t>(r));
                if (isOutput && options.onOutput) options.onOutput(std::string_view(buf, static_cast<std::size_t>(r)));
            } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
                Pipe::closeFd(fd);
            }
        };
        drain(idxOut, out.r, result.output, true);
        drain(idxErr, err.r, result.error, false);
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return result;
    }
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
    return result;
}

}  // namespace morvex::helper
