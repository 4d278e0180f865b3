#include "gui/main/message_list_menu.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>
#include <utility>
#include <vector>

#include "core/util/line_store.h"

namespace {
// An item view answers Ctrl+C itself with the current row alone: the list's "Copy"
// takes the key first.
class CopyKey : public QObject {
public:
    CopyKey(QAction* copy, QObject* parent) : QObject(parent), copy_(copy) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool shortcut = event->type() == QEvent::ShortcutOverride;
        if ((shortcut || event->type() == QEvent::KeyPress) &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            event->accept();
            if (!shortcut) copy_->trigger();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAction* copy_;
};
} // namespace

QString SelectedLinesText(const QAbstractItemView& view, const LineStore& store) {
    const QItemSelectionModel* selection = view.selectionModel();
    if (!selection) return {};
    // Ranges come in the order they were selected and may overlap (Ctrl+click):
    // sorted and merged, every row is taken once, top to bottom.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : selection->selection())
        if (range.isValid()) ranges.emplace_back(range.top(), range.bottom());
    std::ranges::sort(ranges);
    std::string text;
    int next = 0; // the first row not yet taken
    bool first = true;
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom; ++row) {
            if (!first) text.push_back('\n');
            first = false;
            text.append(store.line(static_cast<std::size_t>(row)));
        }
        next = std::max(next, bottom + 1);
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QAction* AddLineListMenu(QAbstractItemView* view, const LineStore& store, std::initializer_list<QAction*> more) {
    auto* copy = new QAction(QStringLiteral("Copy"), view);
    copy->setObjectName(QStringLiteral("Action_CopyLines"));
    copy->setShortcut(QKeySequence::Copy);
    // Only while the list has the focus: Ctrl+C in a field beside it copies the field.
    copy->setShortcutContext(Qt::WidgetShortcut);
    copy->setShortcutVisibleInContextMenu(true);
    QObject::connect(copy, &QAction::triggered, view, [view, &store] {
        QApplication::clipboard()->setText(SelectedLinesText(*view, store));
    });
    view->installEventFilter(new CopyKey(copy, view));
    auto* select_all = new QAction(QStringLiteral("Select All"), view);
    select_all->setObjectName(QStringLiteral("Action_SelectAllLines"));
    select_all->setShortcut(QKeySequence::SelectAll);
    select_all->setShortcutContext(Qt::WidgetShortcut);
    select_all->setShortcutVisibleInContextMenu(true);
    QObject::connect(select_all, &QAction::triggered, view, &QAbstractItemView::selectAll);
    view->addAction(copy);
    view->addAction(select_all);
    for (QAction* action : more)
        if (action) view->addAction(action);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    return copy;
}
