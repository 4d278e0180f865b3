// The base of a class that owns what must not be duplicated (a descriptor, a thread,
// a folder, a lock): a copy is refused at compile time.
#pragma once

class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};
