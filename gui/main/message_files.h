// The "File" menu's "Load" and "Save": the message list to and from a .txt file.
// The file format lives in message_list_file.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class LineStore;
class QAction;
class QWidget;

class MessageFiles : public QObject {
    Q_OBJECT

public:
    using LoadLines = std::function<void(const std::vector<std::string>& lines)>;

    // Answers the "Load" and "Save" entries: saves `lines`, hands loaded lines to
    // `load_lines`; `window` is the parent of its dialogs.
    MessageFiles(QWidget* window, QAction* load, QAction* save, const LineStore& lines, LoadLines load_lines);

    void LoadMessageList(const std::string& path);
    void SaveMessageList(const std::string& path);

    const std::string& directory() const { return directory_; }
    // The folder the dialogs start in (one kept from the last run), with its trailing separator.
    void SetDirectory(const std::string& folder);
    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }

private:
    void MessageLoadClick();
    void MessageSaveClick();
    // Asks for a file; false on cancel or an empty name (after telling the user).
    bool Choose(bool save);

    QWidget* window_;
    const LineStore& lines_;
    LoadLines load_lines_;
    std::string directory_;
    std::string name_ = "meaasge";
    std::string path_;
};
