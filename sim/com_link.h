// The simulator's entry in the COM port folder: comN linked to its slave, with
// comN.pid beside it naming the simulator that serves it.
#pragma once

#include <string>

#include "core/util/non_copyable.h"

class ComLink : private NonCopyable {
public:
    ComLink() = default;
    ~ComLink();

    // Links COM `com` to `target`. A link left by a simulator that is gone is
    // replaced; one that a running simulator serves, or one that leads somewhere
    // other than a pseudo-terminal (a user's own mapping), is left alone: false
    // with the reason.
    bool create(int com, const std::string& target, std::string& error);
    // Removes the link and the pid file if they are still this simulator's.
    void remove();

    const std::string& link_path() const { return link_; }

private:
    std::string link_;
    std::string pid_file_;
    std::string target_;
};

// The pid of the running benchlink-sim named in a pid file, 0 if none runs.
int comLinkOwner(const std::string& pidFile);
