#include "core/files/file_choice.h"


ChosenFile split_chosen_file(const std::string& path) {
    ChosenFile chosen;
    const std::size_t slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    chosen.directory = path.substr(0, start);
    chosen.file_name = path.substr(start);
    const std::size_t dot = chosen.file_name.find_last_of('.');
    chosen.name = chosen.file_name.substr(0, dot);
    return chosen;
}
