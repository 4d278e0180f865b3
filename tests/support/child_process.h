// A program run as a child process with its output collected through pipes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/util/non_copyable.h"

class ChildProcess : private NonCopyable {
public:
    // `environment` ("NAME=value" entries) replaces the test's own when given.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>* environment = nullptr);
    // Stops a child that still runs (SIGTERM, then SIGKILL) and reaps it.
    ~ChildProcess();

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // The next line of standard output, without its line feed; none on time-out
    // or when the child closed its output.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
    void signal(int number);
    // Waits for the exit and collects the rest of the output: the exit code, or
    // -1 if the child did not end in time (it is then killed).
    int wait(std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    // Reads what the pipes hold, waiting up to `wait_ms` for the first bytes.
    void pump(int wait_ms);
    // Collects the exit status if the child has ended.
    bool reap();

    pid_t pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    std::string out_;
    std::string err_;
    std::size_t line_start_ = 0; // out_ up to here was handed out by readLine
    bool out_ended_ = false;
    bool err_ended_ = false;
    bool exited_ = false;
    int exit_code_ = -1;
};

struct ProgramResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs a program to its end.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds limit = std::chrono::milliseconds(5000),
                         const std::vector<std::string>* environment = nullptr);
