#include "gui/main/find_bar.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/util/line_store.h"
#include "core/util/send_check.h"

FindBar::FindBar(const LineStore& store, QAbstractItemView* view, QWidget* parent)
    : QWidget(parent), store_(store), view_(view) {
    setObjectName(QStringLiteral("Panel_Find"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    LineEdit_Find = new QLineEdit(this);
    LineEdit_Find->setObjectName(QStringLiteral("LineEdit_Find"));
    Button_FindNext = new QPushButton(QStringLiteral("Next"), this);
    Button_FindNext->setObjectName(QStringLiteral("Button_FindNext"));
    Button_FindNext->setShortcut(QKeySequence(Qt::Key_F3));
    Button_FindPrevious = new QPushButton(QStringLiteral("Previous"), this);
    Button_FindPrevious->setObjectName(QStringLiteral("Button_FindPrevious"));
    Button_FindPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    CheckBox_FindCase = new QCheckBox(QStringLiteral("Match Case"), this);
    CheckBox_FindCase->setObjectName(QStringLiteral("CheckBox_FindCase"));
    Label_FindCount = new QLabel(this);
    Label_FindCount->setObjectName(QStringLiteral("Label_FindCount"));
    row->addWidget(LineEdit_Find, 1);
    row->addWidget(Button_FindNext);
    row->addWidget(Button_FindPrevious);
    row->addWidget(CheckBox_FindCase);
    row->addWidget(Label_FindCount);

    connect(LineEdit_Find, &QLineEdit::returnPressed, this, &FindBar::FindNext);
    connect(Button_FindNext, &QPushButton::clicked, this, &FindBar::FindNext);
    connect(Button_FindPrevious, &QPushButton::clicked, this, &FindBar::FindPrevious);
    connect(LineEdit_Find, &QLineEdit::textChanged, Label_FindCount, &QLabel::clear);
    hide();
}

void FindBar::Open() {
    show();
    LineEdit_Find->setFocus(Qt::ShortcutFocusReason);
    LineEdit_Find->selectAll();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        view_->setFocus(Qt::OtherFocusReason);
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindBar::Find(bool forward) {
    const QString text = LineEdit_Find->text();
    // The lines are 8-bit text: a character beyond Latin-1 stands in none of them.
    LineStore::FindResult found;
    if (eight_bit_refusal(text.toStdU32String()).empty()) {
        const QModelIndex current = view_->currentIndex();
        const std::size_t from = current.isValid() ? static_cast<std::size_t>(current.row()) : LineStore::npos;
        found = store_.Find(text.toLatin1().toStdString(), CheckBox_FindCase->isChecked(), from, forward);
    }
    if (found.row == LineStore::npos) {
        Label_FindCount->setText(QStringLiteral("Not found"));
        return;
    }
    Label_FindCount->setText(QStringLiteral("%1 of %2").arg(found.rank).arg(found.matches));
    const QModelIndex index = view_->model()->index(static_cast<int>(found.row), 0, view_->rootIndex());
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}
