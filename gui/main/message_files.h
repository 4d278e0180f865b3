// The "File" menu's "Load" and "Save": the message list to and from a .txt file.
// The file format lives in message_list_file.
#pragma once

#include <QObject>
#include <string>

class TForm_ZQ70_Main;

class MessageFiles : public QObject {
    Q_OBJECT

public:
    // Connects to the main window's MessageLoad and MessageSave menu entries.
    explicit MessageFiles(TForm_ZQ70_Main* main);

    void LoadMessageList(const std::string& path);
    void SaveMessageList(const std::string& path);

    const std::string& directory() const { return directory_; }
    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }

private:
    void MessageLoadClick();
    void MessageSaveClick();
    // Asks for a file; false on cancel or an empty name (after telling the user).
    bool Choose(bool save);

    TForm_ZQ70_Main* main_;
    std::string directory_;
    std::string name_ = "meaasge";
    std::string path_;
};
