#include "core/files/file_io.h"
#include "core/util/non_copyable.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local int t_last_errno = 0;
// The last failure was a file that is no regular file; the system has no text for it.
thread_local bool t_not_regular = false;
constexpr const char* kNotRegularText = "Not a regular file";

constexpr std::int32_t kMaxFileLength = INT32_MAX;
// Keeps the temporary file's name within NAME_MAX even for long target names.
constexpr std::size_t kMaxTempStem = 100;
constexpr int kTempNameAttempts = 100;

std::int32_t fail(int error) {
    t_last_errno = error;
    t_not_regular = false;
    errno = error;
    return -1;
}

std::int32_t succeed(std::int32_t result) {
    t_last_errno = 0;
    t_not_regular = false;
    return result;
}

// The reason given for a named pipe, a device or a socket.
constexpr int kNotRegularErrno = EINVAL;

std::int32_t fail_read(int error, bool not_regular) {
    fail(error);
    t_not_regular = not_regular;
    return -1;
}

// Closes on scope exit; errno is kept, so a close during clean-up does not hide the
// reason of the failure being reported.
class Descriptor : private NonCopyable {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports whether the close itself succeeded (NFS reports write errors here).
    bool close_checked() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void reset() {
        if (fd_ < 0) return;
        const int saved = errno;
        ::close(fd_);
        errno = saved;
        fd_ = -1;
    }

private:
    int fd_;
};

// Opens without blocking, so a named pipe with no writer cannot hold the caller in
// open(); only a regular file is read (`not_regular` tells the others apart).
int open_for_reading(const std::string& path, struct stat& info, bool& not_regular) {
    not_regular = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        not_regular = !S_ISDIR(info.st_mode);
        errno = not_regular ? kNotRegularErrno : EISDIR;
        return -1;
    }
    return fd;
}

// Reads until end of file or until `capacity` bytes are in; the count, or -1.
ssize_t read_up_to(int fd, std::uint8_t* buffer, std::size_t capacity) {
    std::size_t total = 0;
    while (total < capacity) {
        const ssize_t n = ::read(fd, buffer + total, capacity - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(total);
}

bool write_fully(int fd, const std::uint8_t* bytes, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, bytes + done, length - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writing through a link keeps the link and changes the file it names, as an in-place
// rewrite would; a dangling link is replaced.
std::string resolve_target(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string resolved = real;
    std::free(real);
    return resolved;
}

// The temporary file sits beside the target, so the rename stays on one file system.
int create_temporary(const std::string& folder, const std::string& stem, std::string& temp_path) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        temp_path = folder + "." + stem.substr(0, kMaxTempStem) + ".tmp-" + std::to_string(::getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// strerror_r comes in two kinds: the XSI one fills the buffer and returns a status, the
// GNU one may return a static text instead.
[[maybe_unused]] std::string strerror_text(int, const char* buffer) {
    return buffer;
}
[[maybe_unused]] std::string strerror_text(const char* text, const char*) {
    return text;
}

// Reads to the end of the file into `out`, growing it as needed; the length, or -1 with
// errno set. The size is only a hint: files in /proc report 0 and others grow while read.
std::int32_t read_growing(int fd, off_t size_hint, std::vector<std::uint8_t>& out) {
    constexpr std::size_t kChunk = 64 * 1024;
    // One byte over the hint, so reading exactly the hinted length ends the loop.
    out.resize(size_hint > 0 ? static_cast<std::size_t>(size_hint) + 1 : kChunk);
    std::size_t total = 0;
    for (;;) {
        const ssize_t n = read_up_to(fd, out.data() + total, out.size() - total);
        if (n < 0) return -1;
        total += static_cast<std::size_t>(n);
        if (total < out.size()) break;
        if (total > static_cast<std::size_t>(kMaxFileLength)) {
            errno = EFBIG;
            return -1;
        }
        out.resize(out.size() + kChunk);
    }
    out.resize(total);
    return static_cast<std::int32_t>(total);
}

void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The data is already safe under its new name; a folder that cannot be synced is no failure.
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::int32_t file_size(const std::string& path) {
    struct stat info {};
    bool not_regular = false;
    const int fd = open_for_reading(path, info, not_regular);
    if (fd < 0) return fail_read(errno, not_regular);
    ::close(fd);
    if (info.st_size > kMaxFileLength) return fail(EFBIG);
    return succeed(static_cast<std::int32_t>(info.st_size));
}

std::int32_t file_read_all(std::uint8_t* buffer, std::int32_t capacity, const std::string& path) {
    if (capacity < 0 || (buffer == nullptr && capacity > 0)) return fail(EINVAL);
    struct stat info {};
    bool not_regular = false;
    Descriptor fd(open_for_reading(path, info, not_regular));
    if (!fd.valid()) return fail_read(errno, not_regular);
    // Refused before reading, so the caller's earlier bytes stay as they were.
    if (info.st_size > capacity) return fail(EFBIG);
    const ssize_t n = read_up_to(fd.get(), buffer, static_cast<std::size_t>(capacity));
    if (n < 0) return fail(errno);
    // One byte more tells a file that fills the buffer exactly from one that is longer.
    std::uint8_t probe;
    const ssize_t more = read_up_to(fd.get(), &probe, 1);
    if (more < 0) return fail(errno);
    if (more > 0) return fail(EFBIG);
    return succeed(static_cast<std::int32_t>(n));
}

std::int32_t file_read_all(std::vector<std::uint8_t>& out, const std::string& path) {
    out.clear();
    struct stat info {};
    bool not_regular = false;
    Descriptor fd(open_for_reading(path, info, not_regular));
    if (!fd.valid()) return fail_read(errno, not_regular);
    if (info.st_size > kMaxFileLength) return fail(EFBIG);
    try {
        const std::int32_t n = read_growing(fd.get(), info.st_size, out);
        if (n < 0) {
            out.clear();
            return fail(errno);
        }
        return succeed(n);
    } catch (const std::bad_alloc&) {
        out.clear();
        return fail(ENOMEM);
    }
}

std::int32_t file_write_all(const std::uint8_t* buffer, const std::string& path, std::int32_t length) {
    if (length < 0 || (buffer == nullptr && length > 0) || path.empty()) return fail(EINVAL);
    const std::string target = resolve_target(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string stem = slash == std::string::npos ? target : target.substr(slash + 1);
    if (stem.empty()) return fail(EISDIR);

    std::string temp_path;
    Descriptor fd(create_temporary(folder, stem, temp_path));
    if (!fd.valid()) return fail(errno);

    // A replaced file keeps its permissions; a new one gets the usual 0666 less umask.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd.get(), old.st_mode & 07777);

    bool ok = write_fully(fd.get(), buffer, static_cast<std::size_t>(length)) && ::fsync(fd.get()) == 0;
    ok = ok && fd.close_checked();
    ok = ok && ::rename(temp_path.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        fd.reset();
        ::unlink(temp_path.c_str());
        return fail(error);
    }
    sync_folder(folder);
    return succeed(length);
}

std::int32_t file_write_all(std::string_view text, const std::string& path) {
    if (text.size() > static_cast<std::size_t>(kMaxFileLength)) return fail(EFBIG);
    return file_write_all(reinterpret_cast<const std::uint8_t*>(text.data()), path,
                          static_cast<std::int32_t>(text.size()));
}

bool file_name_taken(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string strip_extension(std::string_view name) {
    return std::string(name.substr(0, name.find('.')));
}

std::string last_file_error() {
    if (t_last_errno == 0) return {};
    if (t_not_regular) return kNotRegularText;
    char text[256] = {};
    return strerror_text(::strerror_r(t_last_errno, text, sizeof text), text);
}

int last_file_errno() {
    return t_last_errno;
}
