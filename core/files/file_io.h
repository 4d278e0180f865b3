// Whole-file binary reads and writes, and the file-name helper.
//
// Every write is all or nothing: the bytes go to a temporary file in the target's
// folder, which is flushed to the disk and then renamed over the target. A full disk,
// a crash or a refused rename leaves the old file as it was and no temporary behind.
//
// On failure the functions return -1, leave errno at the system's reason and record
// it for last_file_error(), so a caller can show "file name + reason".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reading opens without blocking and takes regular files only: a folder fails with
// EISDIR, a named pipe, device or socket with EINVAL and the reason "Not a regular file".

// The file's length in bytes; -1 if it cannot be opened for reading, is no regular file
// or is longer than an int32 can count.
std::int32_t file_size(const std::string& path);

// Reads the whole file into buffer[0..capacity) and returns its length. -1 if it cannot
// be opened or read, or if it is longer than capacity (EFBIG): a file is never cut short
// without the caller knowing.
std::int32_t file_read_all(std::uint8_t* buffer, std::int32_t capacity, const std::string& path);
// Replaces `out` with the whole file; its length, or -1 (then `out` is empty).
std::int32_t file_read_all(std::vector<std::uint8_t>& out, const std::string& path);

// Creates or replaces the file with `length` bytes, atomically; returns `length`, or -1
// with the old file untouched. A symbolic link is written through, not replaced.
std::int32_t file_write_all(const std::uint8_t* buffer, const std::string& path, std::int32_t length);
std::int32_t file_write_all(std::string_view text, const std::string& path);

// True when anything stands under the name, a dangling link included; false when nothing
// does or the name cannot be looked at.
bool file_name_taken(const std::string& path);

// The name up to, not including, its first "."; the whole name when it has none.
std::string strip_extension(std::string_view name);

// The system's reason for the last failed file operation of the calling thread
// ("No space left on device"); empty when the last one succeeded.
std::string last_file_error();
// The errno value behind last_file_error(); 0 after a success.
int last_file_errno();
