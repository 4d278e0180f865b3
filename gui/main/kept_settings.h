// The main window's settings kept between runs in benchlink.conf: read and put on the
// window at start, gathered and written whenever they change and at exit.
#pragma once

#include <string>

#include "core/terminal/program_settings.h"

class TForm_ZQ70_Main;

class KeptSettings {
public:
    // Kept in the file at `path`; an empty path keeps nothing (benchlink --defaults:
    // the file is neither read nor written).
    explicit KeptSettings(std::string path) : path_(std::move(path)) {}

    // Once the window shows: puts what the file holds on it (the port's setting without
    // opening it, the receive settings, "Reconnect", the geometry, the last command
    // project) and says in the message list what could not be taken.
    void Restore(TForm_ZQ70_Main& window);
    // Gathers the window's settings and writes the file whole; nothing for an unchanged one.
    void Save(const TForm_ZQ70_Main& window);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    ProgramSettings saved_;
    bool known_ = false; // saved_ is what the file holds
};
