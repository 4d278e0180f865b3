// A file picked in a dialog, split the way the file features keep it: the folder
// (with its trailing separator), the name without extension, and the file name.
#pragma once

#include <string>

struct ChosenFile {
    std::string directory;
    std::string name;      // up to the first "."
    std::string file_name; // with its extension
};

ChosenFile split_chosen_file(const std::string& path);
