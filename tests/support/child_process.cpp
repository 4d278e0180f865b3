#include "support/child_process.h"
#include "support/deadline.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>* environment) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0) return;
    if (pipe2(err_pipe, O_CLOEXEC) != 0) {
        close(out_pipe[0]);
        close(out_pipe[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    if (environment) {
        for (const std::string& e : *environment) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environment ? envp.data() : environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    out_fd_ = out_pipe[0];
    err_fd_ = err_pipe[0];
    fcntl(out_fd_, F_SETFL, O_NONBLOCK);
    fcntl(err_fd_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exited_) {
        ::kill(pid_, SIGTERM);
        if (wait(std::chrono::milliseconds(2000)) < 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (out_fd_ >= 0) close(out_fd_);
    if (err_fd_ >= 0) close(err_fd_);
}

void ChildProcess::pump(int wait_ms) {
    // A pipe at its end is left out, so that the wait is a real one.
    pollfd fds[2] = {{out_ended_ ? -1 : out_fd_, POLLIN, 0}, {err_ended_ ? -1 : err_fd_, POLLIN, 0}};
    if (poll(fds, 2, wait_ms) <= 0) return;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        while (true) {
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0) (i == 0 ? out_ended_ : err_ended_) = true;
            break;
        }
    }
}

bool ChildProcess::reap() {
    if (exited_) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    exited_ = true;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (true) {
        const std::size_t end = out_.find('\n', line_start_);
        if (end != std::string::npos) {
            std::string line = out_.substr(line_start_, end - line_start_);
            line_start_ = end + 1;
            return line;
        }
        if (pid_ <= 0 || (out_ended_ && reap())) return std::nullopt;
        const int left = remaining_ms(deadline);
        if (left == 0) return std::nullopt;
        pump(std::min(left, 20));
    }
}

void ChildProcess::signal(int number) {
    if (pid_ > 0 && !exited_) ::kill(pid_, number);
}

int ChildProcess::wait(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return -1;
    const auto deadline = Clock::now() + limit;
    while (!reap()) {
        if (remaining_ms(deadline) == 0) return -1;
        pump(5);
    }
    // Whatever is still in the pipes.
    while (!(out_ended_ && err_ended_) && remaining_ms(deadline) > 0) pump(20);
    return exit_code_;
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds limit, const std::vector<std::string>* environment) {
    ChildProcess child(program, args, environment);
    ProgramResult result;
    result.code = child.wait(limit);
    result.out = child.out();
    result.err = child.err();
    return result;
}
