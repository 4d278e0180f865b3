// file_io.h on Windows: the same promises as file_io.cpp, with Win32 handles. Paths
// are UTF-8. A write goes to a temporary file beside the target, is flushed, and then
// replaces the target with ReplaceFileW (which keeps the old file's attributes and
// security) or, for a new file, MoveFileExW with write-through.
#include "core/files/file_io.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "core/util/non_copyable.h"

namespace {

thread_local int t_last_errno = 0;
// The last failure was a file that is no regular file; the system has no text for it.
thread_local bool t_not_regular = false;
constexpr const char* kNotRegularText = "Not a regular file";
// The reason given for a device, a pipe or a console.
constexpr int kNotRegularErrno = EINVAL;

constexpr std::int32_t kMaxFileLength = INT32_MAX;
constexpr std::size_t kMaxTempStem = 100;
constexpr int kTempNameAttempts = 100;
// The longest name one folder entry may have.
constexpr std::size_t kMaxComponent = 255;

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

// Fails with the errno open_for_reading gave (kNotRegular for a file that is none).
constexpr int kNotRegular = -1;
std::int32_t fail_read(int error) {
    if (error != kNotRegular) return fail(error);
    fail(kNotRegularErrno);
    t_not_regular = true;
    return -1;
}

class Handle : private NonCopyable {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { reset(); }

    void adopt(HANDLE h) {
        reset();
        h_ = h;
    }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close_checked() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }
    void reset() {
        if (!valid()) return;
        const DWORD saved = GetLastError();
        CloseHandle(h_);
        SetLastError(saved);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::size_t last_separator(const std::wstring& path) {
    return path.find_last_of(L"/\\");
}

bool has_long_component(const std::wstring& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(L"/\\", start);
        if (end == std::wstring::npos) end = path.size();
        if (end - start > kMaxComponent) return true;
        start = end + 1;
    }
    return false;
}

DWORD attributes_of(const std::wstring& path) {
    return GetFileAttributesW(path.empty() ? L"." : path.c_str());
}

bool is_folder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The errno that names a failed call on `path` (the file, or the folder it goes in).
int errno_of(DWORD error, const std::wstring& path) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: {
        // No name longer than a folder entry may be can exist.
        if (has_long_component(path)) return ENAMETOOLONG;
        // Windows says "path not found" where a part of the path is a file.
        const std::size_t slash = last_separator(path);
        if (slash != std::wstring::npos) {
            const DWORD folder = attributes_of(path.substr(0, slash));
            if (folder != INVALID_FILE_ATTRIBUTES && !is_folder(folder)) return ENOTDIR;
        }
        return ENOENT;
    }
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return is_folder(attributes_of(path)) ? EISDIR : EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME: return has_long_component(path) ? ENAMETOOLONG : EINVAL;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    default: return EIO;
    }
}

// Opens a regular file for reading; 0, the errno of the failure, or kNotRegular for a
// device, pipe or console (which would read forever or nothing).
int open_for_reading(const std::wstring& path, Handle& file, LARGE_INTEGER& size) {
    if (is_folder(attributes_of(path))) return EISDIR;
    file.adopt(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return errno_of(GetLastError(), path);
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return kNotRegular;
    if (!GetFileSizeEx(file.get(), &size)) return errno_of(GetLastError(), path);
    return 0;
}

// Reads until end of file or until `capacity` bytes are in; the count, or -1.
long long read_up_to(HANDLE file, std::uint8_t* buffer, std::size_t capacity) {
    std::size_t total = 0;
    while (total < capacity) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(capacity - total, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, chunk, &got, nullptr)) return -1;
        if (got == 0) break;
        total += got;
    }
    return static_cast<long long>(total);
}

bool write_fully(HANDLE file, const std::uint8_t* bytes, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(file, bytes + done, chunk, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return true;
}

// Writing through a symbolic link keeps the link and changes the file it names.
std::wstring resolve_target(const std::wstring& path) {
    const DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
    Handle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) return path; // a dangling link is replaced
    wchar_t final_path[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleW(file.get(), final_path, sizeof final_path / sizeof final_path[0],
                                              FILE_NAME_NORMALIZED);
    if (n == 0 || n >= sizeof final_path / sizeof final_path[0]) return path;
    return std::wstring(final_path, n);
}

HANDLE create_temporary(const std::wstring& folder, const std::wstring& stem, std::wstring& temp_path) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        temp_path = folder + L"." + stem.substr(0, kMaxTempStem) + L".tmp-" + std::to_wstring(GetCurrentProcessId()) +
                    L"-" + std::to_wstring(counter.fetch_add(1));
        const HANDLE file =
            CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Puts the flushed temporary file in the target's place.
bool replace(const std::wstring& temp_path, const std::wstring& target) {
    const DWORD attributes = attributes_of(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && !is_folder(attributes) &&
        ReplaceFileW(target.c_str(), temp_path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    // A new file, or one ReplaceFileW cannot take (another volume, a file system without it).
    return MoveFileExW(temp_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::int32_t read_growing(HANDLE file, long long size_hint, std::vector<std::uint8_t>& out, int& error) {
    constexpr std::size_t kChunk = 64 * 1024;
    out.resize(size_hint > 0 ? static_cast<std::size_t>(size_hint) + 1 : kChunk);
    std::size_t total = 0;
    for (;;) {
        const long long n = read_up_to(file, out.data() + total, out.size() - total);
        if (n < 0) {
            error = EIO;
            return -1;
        }
        total += static_cast<std::size_t>(n);
        if (total < out.size()) break;
        if (total > static_cast<std::size_t>(kMaxFileLength)) {
            error = EFBIG;
            return -1;
        }
        out.resize(out.size() + kChunk);
    }
    out.resize(total);
    return static_cast<std::int32_t>(total);
}

} // namespace

std::int32_t file_size(const std::string& path) {
    Handle file;
    LARGE_INTEGER size{};
    if (const int error = open_for_reading(wide(path), file, size); error != 0) return fail_read(error);
    if (size.QuadPart > kMaxFileLength) return fail(EFBIG);
    return succeed(static_cast<std::int32_t>(size.QuadPart));
}

std::int32_t file_read_all(std::uint8_t* buffer, std::int32_t capacity, const std::string& path) {
    if (capacity < 0 || (buffer == nullptr && capacity > 0)) return fail(EINVAL);
    const std::wstring name = wide(path);
    Handle file;
    LARGE_INTEGER size{};
    if (const int error = open_for_reading(name, file, size); error != 0) return fail_read(error);
    if (size.QuadPart > capacity) return fail(EFBIG);
    const long long n = read_up_to(file.get(), buffer, static_cast<std::size_t>(capacity));
    if (n < 0) return fail(errno_of(GetLastError(), name));
    std::uint8_t probe;
    const long long more = read_up_to(file.get(), &probe, 1);
    if (more < 0) return fail(errno_of(GetLastError(), name));
    if (more > 0) return fail(EFBIG);
    return succeed(static_cast<std::int32_t>(n));
}

std::int32_t file_read_all(std::vector<std::uint8_t>& out, const std::string& path) {
    out.clear();
    Handle file;
    LARGE_INTEGER size{};
    if (const int error = open_for_reading(wide(path), file, size); error != 0) return fail_read(error);
    if (size.QuadPart > kMaxFileLength) return fail(EFBIG);
    try {
        int error = 0;
        const std::int32_t n = read_growing(file.get(), size.QuadPart, out, error);
        if (n < 0) {
            out.clear();
            return fail(error);
        }
        return succeed(n);
    } catch (const std::bad_alloc&) {
        out.clear();
        return fail(ENOMEM);
    }
}

std::int32_t file_write_all(const std::uint8_t* buffer, const std::string& path, std::int32_t length) {
    if (length < 0 || (buffer == nullptr && length > 0) || path.empty()) return fail(EINVAL);
    const std::wstring target = resolve_target(wide(path));
    const std::size_t slash = last_separator(target);
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring stem = slash == std::wstring::npos ? target : target.substr(slash + 1);
    if (stem.empty() || is_folder(attributes_of(target))) return fail(EISDIR);

    std::wstring temp_path;
    Handle file(create_temporary(folder, stem, temp_path));
    if (!file.valid()) return fail(errno_of(GetLastError(), temp_path));

    bool ok = write_fully(file.get(), buffer, static_cast<std::size_t>(length)) && FlushFileBuffers(file.get());
    ok = ok && file.close_checked();
    ok = ok && replace(temp_path, target);
    if (!ok) {
        const DWORD error = GetLastError();
        file.reset();
        DeleteFileW(temp_path.c_str());
        return fail(errno_of(error, target));
    }
    return succeed(length);
}

std::int32_t file_write_all(std::string_view text, const std::string& path) {
    if (text.size() > static_cast<std::size_t>(kMaxFileLength)) return fail(EFBIG);
    return file_write_all(reinterpret_cast<const std::uint8_t*>(text.data()), path,
                          static_cast<std::int32_t>(text.size()));
}

bool file_name_taken(const std::string& path) {
    // A link's own attributes: a dangling one is there too.
    return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string strip_extension(std::string_view name) {
    return std::string(name.substr(0, name.find('.')));
}

std::string last_file_error() {
    if (t_last_errno == 0) return {};
    if (t_not_regular) return kNotRegularText;
    // The C runtime keeps strerror's text per thread.
    return std::strerror(t_last_errno);
}

int last_file_errno() {
    return t_last_errno;
}
