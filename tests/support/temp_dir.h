#pragma once

#include <string>

#include "core/util/non_copyable.h"

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir : private NonCopyable {
public:
    TempDir();
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
