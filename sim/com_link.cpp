#include "sim/com_link.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "core/serial/comport.h"

namespace {

// What /proc/<pid>/comm holds for this program.
constexpr std::string_view kSimulatorName = "benchlink-sim";
constexpr std::string_view kPtsFolder = "/dev/pts/";

std::string readLinkTarget(const std::string& path) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

int readPid(const std::string& pidFile) {
    const std::string text = firstLine(pidFile);
    if (text.empty() || text.size() > 10) return 0;
    int pid = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

int comLinkOwner(const std::string& pidFile) {
    const int pid = readPid(pidFile);
    if (pid <= 0) return 0;
    if (::kill(pid, 0) != 0 && errno != EPERM) return 0;
    // A pid is reused once its process is gone: only a simulator counts.
    if (firstLine("/proc/" + std::to_string(pid) + "/comm") != kSimulatorName) return 0;
    return pid;
}

ComLink::~ComLink() {
    remove();
}

bool ComLink::create(int com, const std::string& target, std::string& error) {
    const std::string folder = comport_ports_folder();
    if (folder.empty()) {
        error = "no COM port folder: HOME is not set (or not an absolute path) and XDG_CONFIG_HOME is not an "
                "absolute path";
        return false;
    }
    const std::string link = folder + "/com" + std::to_string(com);
    const std::string pidFile = link + ".pid";
    const std::string name = "COM" + std::to_string(com);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder + ": " + ec.message();
        return false;
    }

    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = link + " is not a link; remove it to simulate " + name;
            return false;
        }
        const std::string old = readLinkTarget(link);
        const bool live = pathExists(link);
        if (const int owner = comLinkOwner(pidFile); owner != 0 && live) {
            error = name + " is served by benchlink-sim (pid " + std::to_string(owner) + ")";
            return false;
        }
        if (live && old.rfind(kPtsFolder, 0) != 0) {
            error = link + " leads to " + old + ", not to a simulator; remove it to simulate " + name;
            return false;
        }
        // Left behind by a simulator that is gone.
        ::unlink(link.c_str());
    }
    if (comLinkOwner(pidFile) == 0) ::unlink(pidFile.c_str());

    // Creating the pid file exclusively settles a race between two simulators.
    const int fd = ::open(pidFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = name + " is being set up by another simulator (" + pidFile + ": " + std::strerror(errno) + ")";
        return false;
    }
    const std::string pid_text = std::to_string(::getpid()) + "\n";
    const bool written = ::write(fd, pid_text.data(), pid_text.size()) == static_cast<ssize_t>(pid_text.size());
    ::close(fd);
    pid_file_ = pidFile;
    if (!written) {
        error = "cannot write " + pidFile;
        remove();
        return false;
    }
    const std::string temporary = link + ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), link.c_str()) != 0) {
        error = "cannot link " + link + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        remove();
        return false;
    }
    link_ = link;
    target_ = target;
    return true;
}

void ComLink::remove() {
    if (!link_.empty() && readLinkTarget(link_) == target_) ::unlink(link_.c_str());
    if (!pid_file_.empty() && readPid(pid_file_) == ::getpid()) ::unlink(pid_file_.c_str());
    link_.clear();
    pid_file_.clear();
    target_.clear();
}
