// A file picked in a dialog, split the way the file features keep it: the folder
// (with its trailing separator), the name without extension, and the file name.
#pragma once

#include <string>

struct ChosenFile {
    std::string directory;
    std::string name;      // without its last extension
    std::string file_name; // with its extension
};

// Only the last extension goes: "log.v2.txt" names log.v2, so a save replaces the
// file chosen and never another one.
ChosenFile split_chosen_file(const std::string& path);
