// Whole-file reads and writes, failed writes that must leave the old file, names and time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/temp_dir.h"
#include "core/files/file_io.h"
#include "core/util/time_helpers.h"
#include "support/bytes.h"

namespace {

namespace fs = std::filesystem;

Bytes contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const Bytes kOld{'o', 'l', 'd', 0x00, 0xE9};

// --- Reading ------------------------------------------------------------------------

TEST(FileRead, SizeOfFilesAndNonFiles) {
    TempDir dir;
    ASSERT_EQ(file_write_all(kOld.data(), dir.file("f"), 5), 5);
    EXPECT_EQ(file_size(dir.file("f")), 5);
    EXPECT_EQ(file_size(dir.file("missing")), -1);
    EXPECT_EQ(last_file_errno(), ENOENT);
    EXPECT_EQ(file_size(dir.path()), -1);
    EXPECT_EQ(last_file_errno(), EISDIR);
}

#if defined(_WIN32)
// A device reads forever or nothing: refused at once, and says why.
TEST(FileRead, OnlyRegularFilesAreRead) {
    Bytes whole;
    std::uint8_t buffer[4];
    EXPECT_EQ(file_size("NUL"), -1);
    EXPECT_EQ(last_file_error(), "Not a regular file");
    EXPECT_EQ(file_read_all(whole, "NUL"), -1);
    EXPECT_EQ(file_read_all(buffer, 4, "NUL"), -1);
    EXPECT_EQ(last_file_error(), "Not a regular file");
}
#else
// A named pipe with no writer would hold the reader in open() for good; a device reads
// forever or nothing. Each read is refused at once, and says why.
TEST(FileRead, OnlyRegularFilesAreRead) {
    TempDir dir;
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
        std::int32_t (*read)(const std::string&);
    } cases[] = {
        {"PipeSize", pipe, [](const std::string& p) { return file_size(p); }},
        {"PipeWhole", pipe, [](const std::string& p) { Bytes b; return file_read_all(b, p); }},
        {"PipeIntoABuffer", pipe, [](const std::string& p) { std::uint8_t b[4]; return file_read_all(b, 4, p); }},
        {"DeviceWhole", "/dev/null", [](const std::string& p) { Bytes b; return file_read_all(b, p); }},
    };
    for (const Case& c : cases) {
        auto reading = std::async(std::launch::async, [&c] {
            const std::int32_t n = c.read(c.path);
            return std::make_pair(n, last_file_error());
        });
        if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << c.name << ": the read blocked";
            // A writer lets a blocked open() go on, so the test can end.
            const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
            reading.wait();
        }
        const auto [n, reason] = reading.get();
        EXPECT_EQ(n, -1) << c.name;
        EXPECT_EQ(reason, "Not a regular file") << c.name;
    }
}

#endif

TEST(FileRead, WholeFileIntoAVector) {
    TempDir dir;
    Bytes all;
    for (int i = 0; i < 70000; ++i) all.push_back(static_cast<std::uint8_t>(i * 7));
    ASSERT_EQ(file_write_all(all.data(), dir.file("f"), static_cast<std::int32_t>(all.size())), 70000);
    Bytes read{1, 2, 3};
    EXPECT_EQ(file_read_all(read, dir.file("f")), 70000);
    EXPECT_EQ(read, all);
}

#if !defined(_WIN32) // no /proc
// Files in /proc report a size of 0 but have contents.
TEST(FileRead, FileWhoseSizeIsUnknownIsReadToTheEnd) {
    Bytes read;
    const std::int32_t n = file_read_all(read, "/proc/self/status");
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(read.begin(), read.begin() + 5), "Name:");
}
#endif

TEST(FileRead, IntoACallerBuffer) {
    TempDir dir;
    ASSERT_EQ(file_write_all(kOld.data(), dir.file("f"), 5), 5);
    std::uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(file_read_all(buffer, 5, dir.file("f")), 5);
    EXPECT_EQ(Bytes(buffer, buffer + 5), kOld);
    EXPECT_EQ(buffer[5], 9);
}

TEST(FileRead, LongerThanTheBufferIsRefusedAndTheBufferKept) {
    TempDir dir;
    ASSERT_EQ(file_write_all(kOld.data(), dir.file("f"), 5), 5);
    std::uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(file_read_all(buffer, 4, dir.file("f")), -1);
    EXPECT_EQ(last_file_errno(), EFBIG);
    EXPECT_EQ(Bytes(buffer, buffer + 4), Bytes(4, 9));
}

TEST(FileRead, MissingFile) {
    TempDir dir;
    std::uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(file_read_all(buffer, 4, dir.file("missing")), -1);
    EXPECT_EQ(buffer[0], 9);
    Bytes read{1};
    EXPECT_EQ(file_read_all(read, dir.file("missing")), -1);
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(last_file_error().empty());
}

// --- Writing ------------------------------------------------------------------------

TEST(FileWrite, ReplacesAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.file("out.txt");
    ASSERT_EQ(file_write_all(kOld.data(), path, 5), 5);
    EXPECT_EQ(file_write_all(std::string_view("new"), path), 3);
    EXPECT_EQ(contents(path), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"out.txt"});
    EXPECT_EQ(last_file_error(), "");
}

TEST(FileWrite, EmptyFile) {
    TempDir dir;
    ASSERT_EQ(file_write_all(kOld.data(), dir.file("f"), 5), 5);
    EXPECT_EQ(file_write_all(nullptr, dir.file("f"), 0), 0);
    EXPECT_EQ(file_size(dir.file("f")), 0);
}

TEST(FileWrite, RelativePathInTheCurrentFolder) {
    TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const std::int32_t n = file_write_all(std::string_view("rel"), "relative.txt");
    fs::current_path(before);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"relative.txt"});
}

#if !defined(_WIN32) // POSIX modes, umask and links
TEST(FileWrite, ReplacedFileKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("f");
    ASSERT_EQ(file_write_all(kOld.data(), path, 5), 5);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(file_write_all(std::string_view("x"), path), 1);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(FileWrite, NewFileFollowsTheUmask) {
    TempDir dir;
    const mode_t mask = ::umask(022);
    const std::int32_t n = file_write_all(std::string_view("x"), dir.file("f"));
    ::umask(mask);
    ASSERT_EQ(n, 1);
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(FileWrite, WritesThroughASymbolicLink) {
    TempDir dir;
    ASSERT_EQ(file_write_all(kOld.data(), dir.file("real"), 5), 5);
    fs::create_symlink(dir.file("real"), dir.file("link"));
    ASSERT_EQ(file_write_all(std::string_view("new"), dir.file("link")), 3);
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_EQ(contents(dir.file("real")), (Bytes{'n', 'e', 'w'}));
}
#endif

TEST(FileWrite, NegativeLengthIsRefused) {
    TempDir dir;
    EXPECT_EQ(file_write_all(kOld.data(), dir.file("f"), -1), -1);
    EXPECT_EQ(last_file_errno(), EINVAL);
    EXPECT_TRUE(names_in(dir.path()).empty());
}

// Root ignores permission bits, so each failure here is one the kernel refuses even to root.
struct FailedWriteCase {
    const char* name;
    // Prepares the folder and returns the path to write to.
    std::string (*prepare)(const TempDir&);
    int error;
};

class FailedWrite : public testing::TestWithParam<FailedWriteCase> {};

TEST_P(FailedWrite, ReportsTheReasonAndLeavesTheFolderAsItWas) {
    TempDir dir;
    const std::string path = GetParam().prepare(dir);
    const std::vector<std::string> before = names_in(dir.path());
    const Bytes text(100, 'n');
    errno = 0;
    EXPECT_EQ(file_write_all(text.data(), path, 100), -1);
    EXPECT_EQ(errno, GetParam().error) << "errno is kept for callers that read it";
    EXPECT_EQ(last_file_errno(), GetParam().error);
    EXPECT_EQ(last_file_error(), std::strerror(GetParam().error));
    EXPECT_EQ(names_in(dir.path()), before) << "no temporary file is left behind";
    ASSERT_TRUE(fs::is_regular_file(dir.file("old")));
    EXPECT_EQ(contents(dir.file("old")), kOld);
}

std::string folder_is_a_file(const TempDir& dir) {
    file_write_all(kOld.data(), dir.file("old"), 5);
    return dir.file("old") + "/new.txt";
}

std::string missing_folder(const TempDir& dir) {
    file_write_all(kOld.data(), dir.file("old"), 5);
    return dir.file("nowhere") + "/new.txt";
}

std::string target_is_a_folder(const TempDir& dir) {
    file_write_all(kOld.data(), dir.file("old"), 5);
    fs::create_directory(dir.file("sub"));
    return dir.file("sub");
}

std::string name_too_long(const TempDir& dir) {
    file_write_all(kOld.data(), dir.file("old"), 5);
    return dir.file(std::string(300, 'n'));
}

INSTANTIATE_TEST_SUITE_P(Rows, FailedWrite,
                         testing::Values(FailedWriteCase{"FolderIsAFile", folder_is_a_file, ENOTDIR},
                                         FailedWriteCase{"MissingFolder", missing_folder, ENOENT},
                                         FailedWriteCase{"TargetIsAFolder", target_is_a_folder, EISDIR},
                                         FailedWriteCase{"NameTooLong", name_too_long, ENAMETOOLONG}),
                         [](const testing::TestParamInfo<FailedWriteCase>& info) {
                             return std::string(info.param.name);
                         });

#if !defined(_WIN32) // no file-size limit
// Lowers the file-size limit so that a write fails half-way, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    struct rlimit old_ {};
    void (*old_handler_)(int) = SIG_DFL;
};

TEST(FileWrite, WriteCutShortLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("old");
    ASSERT_EQ(file_write_all(kOld.data(), path, 5), 5);
    const Bytes text(100, 'n');
    std::int32_t n = 0;
    {
        FileSizeLimit limit(10);
        n = file_write_all(text.data(), path, 100);
    }
    EXPECT_EQ(n, -1);
    EXPECT_EQ(last_file_errno(), EFBIG);
    EXPECT_EQ(contents(path), kOld);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"old"});
}
#endif

TEST(FileWrite, ErrorTextBelongsToTheThreadThatFailed) {
    TempDir dir;
    ASSERT_EQ(file_size(dir.file("missing")), -1);
    std::string other;
    std::thread([&] {
        file_write_all(std::string_view("x"), dir.file("ok"));
        other = last_file_error();
    }).join();
    EXPECT_EQ(other, "");
    EXPECT_EQ(last_file_errno(), ENOENT);
}

// --- Names ------------------------------------------------------------------------

TEST(StripExtension, CutsAtTheFirstDot) {
    EXPECT_EQ(strip_extension("data.bin"), "data");
    EXPECT_EQ(strip_extension("data"), "data");
    EXPECT_EQ(strip_extension("run.1.log"), "run");
    EXPECT_EQ(strip_extension(".hidden"), "");
    EXPECT_EQ(strip_extension(""), "");
    EXPECT_EQ(strip_extension("caf\xE9.txt"), "caf\xE9");
}

// --- Time of day ------------------------------------------------------------------

void set_zone(const char* zone) {
#if defined(_WIN32)
    _putenv_s("TZ", zone != nullptr ? zone : "");
#else
    if (zone != nullptr)
        ::setenv("TZ", zone, 1);
    else
        ::unsetenv("TZ");
#endif
    ::tzset();
}

class LocalZone : public testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) saved_ = tz, had_ = true;
        // Two hours east of UTC, so local time and UTC differ.
        set_zone("XYZ-2");
    }
    void TearDown() override { set_zone(had_ ? saved_.c_str() : nullptr); }

private:
    std::string saved_;
    bool had_ = false;
};

TEST_F(LocalZone, TimeOfDayIsLocal) {
    const TimeOfDay midnight = time_of_day(0);
    EXPECT_EQ(midnight.hour, 2);
    EXPECT_EQ(midnight.minute, 0);
    EXPECT_EQ(midnight.second, 0);
    const TimeOfDay later = time_of_day(5 * 86400 + 21 * 3600 + 59 * 60 + 58);
    EXPECT_EQ(later.hour, 23);
    EXPECT_EQ(later.minute, 59);
    EXPECT_EQ(later.second, 58);
    EXPECT_EQ(time_of_day(22 * 3600).hour, 0);
}

TEST_F(LocalZone, CurrentTimeIsNow) {
    // Retried when the second turns over between the reads.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const TimeOfDay now = current_time();
        if (std::time(nullptr) != before) continue;
        const long local_seconds = static_cast<long>((before + 2 * 3600) % 86400);
        EXPECT_EQ(now.hour, local_seconds / 3600);
        EXPECT_EQ(now.minute, local_seconds / 60 % 60);
        EXPECT_EQ(now.second, local_seconds % 60);
        return;
    }
    FAIL() << "the clock never held still for a second";
}

}  // namespace
