#include "sim/slave_watch.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

bool isNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

// Whether a process other than this one has `path` open. Only processes whose
// descriptors can be read are seen: the user's own, which is who opens the port.
bool openElsewhere(const std::string& path) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return false;
    const std::string self = std::to_string(getpid());
    bool found = false;
    while (!found) {
        const dirent* process = readdir(proc);
        if (process == nullptr) break;
        if (!isNumber(process->d_name) || self == process->d_name) continue;
        const std::string fd_folder = std::string("/proc/") + process->d_name + "/fd";
        DIR* fds = opendir(fd_folder.c_str());
        if (fds == nullptr) continue;
        while (const dirent* fd = readdir(fds)) {
            if (!isNumber(fd->d_name)) continue;
            char target[256];
            const std::string link = fd_folder + "/" + fd->d_name;
            const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            if (n > 0 && static_cast<std::size_t>(n) == path.size() && std::memcmp(target, path.data(), path.size()) == 0) {
                found = true;
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return found;
}

} // namespace

bool SlaveWatch::start(const std::string& slave_path, int own_slave) {
    slave_path_ = slave_path;
    own_slave_ = own_slave;
    inotify_.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!inotify_.valid()) return false;
    if (inotify_add_watch(inotify_.get(), slave_path.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        inotify_.reset();
        return false;
    }
    return true;
}

void SlaveWatch::closed() {
    alignas(inotify_event) char events[4096];
    while (read(inotify_.get(), events, sizeof events) > 0) {
    }
    int exclusive = 0;
    if (ioctl(own_slave_, TIOCGEXCL, &exclusive) != 0 || exclusive == 0) return;
    if (!HeldByOthers()) ioctl(own_slave_, TIOCNXCL);
}

bool SlaveWatch::HeldByOthers() const {
    return openElsewhere(slave_path_);
}
