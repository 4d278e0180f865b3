// The "General ASCII" tab: twenty command lines with their send buttons, the current
// command, the "Add ASCII Code" and "Reply Setting" groups, room for the "Send File"
// group, and the "General ASCII Project" menu's handlers. What a command sends, what a
// reply does and how a project file looks live in CommandTable and command_project.
#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "core/terminal/command_project.h"
#include "core/terminal/product_info.h"
#include "core/util/line_sink.h"
#include "core/terminal/command_table.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class QAction;

// The "General ASCII Project" menu entries the page answers.
struct ProjectActions {
    QAction* defualt = nullptr;
    QAction* load = nullptr;
    QAction* save = nullptr;
    QAction* save_as = nullptr;
};

class GeneralAsciiPage : public QWidget {
    Q_OBJECT

public:
    // Builds the page in its start-up state and connects the project menu's entries;
    // `product` goes into the header of saved projects.
    // The command lines are sent on `port`, which outlives the page.
    GeneralAsciiPage(Port& port, LineSink add_line, const ProjectActions& actions, ProductInfo product,
                     QWidget* parent);

    CommandTable& commands() { return commands_; }
    // Makes command n (0..20) current, as clicking its edit does.
    void SetCurrentCommand(int n);
    int current_command() const { return current_command_; }
    // Where the "Send File" group goes.
    QVBoxLayout* send_file_area() const { return send_file_area_; }

    void SendCommand(int n);
    void AppendCommandText(int n, const std::string& text);
    void ShowCommand(int n);
    void ShowAllCommands();
    void ResetCommands();
    void ClearAllCommands();
    void LoadCommandProjectFile(const std::string& path);
    void SaveCommandProjectFile(const std::string& path);
    const ProjectLocation& project_location() const { return project_; }
    // Loads the project as "Load" would with the file chosen; false (and nothing
    // loaded) when there is no file under the name.
    bool OpenProject(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void InitConnections(const ProjectActions& actions);
    void ApplyDefaults();
    void ShowThisPage();

    void Button_CommandClick(int n);
    void Edit_CommandChange(int n, const QString& text);
    void Edit_CommandClick(int n);
    void Button_ASCIINULClick();
    void Button_ASCIILFClick();
    void Button_ASCIICRClick();
    void Button_ASCIIOtherClick();
    void RadioGroup_SendReplyClick(int index);
    void CSpinEdit_ReplyCommandChange(int value);
    void GeneralASCIIDefualtClick();
    void GeneralASCIILoadClick();
    void GeneralASCIISaveClick();
    void GeneralASCIIAsClick();

    LineSink add_line_;
    ProductInfo product_;
    CommandTable commands_;
    ProjectLocation project_;
    int current_command_ = 0;

    // Index n is command n; index 0 stays empty (the hidden slot has no controls).
    std::array<QLineEdit*, kCommandCount + 1> Edit_Command{};
    std::array<QPushButton*, kCommandCount + 1> Button_Command{};
    QLabel* Label_CurrentCommandNo = nullptr;
    QPushButton* Button_ASCIINUL = nullptr;
    QPushButton* Button_ASCIILF = nullptr;
    QPushButton* Button_ASCIICR = nullptr;
    QPushButton* Button_ASCIIOther = nullptr;
    QLineEdit* Edit_ASCIIOther = nullptr;
    QGroupBox* RadioGroup_SendReply = nullptr;
    QButtonGroup* send_reply_buttons_ = nullptr;
    QSpinBox* CSpinEdit_ReplyCommand = nullptr;
    QVBoxLayout* send_file_area_ = nullptr;
};
