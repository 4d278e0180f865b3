// The find bar under the message list (Ctrl+F): a text, "Next" (F3), "Previous"
// (Shift+F3), "Match Case", and where the found line stands among all that hold the
// text ("3 of 120", "Not found"). Escape closes it. The search itself is the line
// store's (LineStore::Find): one pass over two million lines takes well under the
// 200 ms a user would notice, and lines keep arriving meanwhile through the mailbox.
#pragma once

#include <QWidget>

class QAbstractItemView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class LineStore;

class FindBar : public QWidget {
    Q_OBJECT

public:
    // Finds in `store`, shown by `view` one row per line; both outlive the bar.
    FindBar(const LineStore& store, QAbstractItemView* view, QWidget* parent);

    // Shows the bar with its text selected and the cursor in it.
    void Open();
    void FindNext() { Find(true); }
    void FindPrevious() { Find(false); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Selects the next line holding the text from the current one, scrolls it into
    // view and shows the count.
    void Find(bool forward);

    const LineStore& store_;
    QAbstractItemView* view_;
    QLineEdit* LineEdit_Find = nullptr;
    QPushButton* Button_FindNext = nullptr;
    QPushButton* Button_FindPrevious = nullptr;
    QCheckBox* CheckBox_FindCase = nullptr;
    QLabel* Label_FindCount = nullptr;
};
