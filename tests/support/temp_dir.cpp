#include "support/temp_dir.h"

#if defined(_WIN32)
#include <windows.h>

#include <atomic>
#include <chrono>
#endif

#include <cstdlib>
#include <filesystem>
#include <system_error>

TempDir::TempDir() {
#if defined(_WIN32)
    // No mkdtemp: a name from the process, the clock and a count, made only if new.
    static std::atomic<unsigned> count{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto name = "benchlink-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000) +
                          "-" + std::to_string(count.fetch_add(1));
        std::error_code ec;
        if (std::filesystem::create_directory(base / name, ec)) path_ = (base / name).generic_string();
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "benchlink-test-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) path_ = made;
#endif
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // Tests may have made parts read-only; give write back before removing.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}
