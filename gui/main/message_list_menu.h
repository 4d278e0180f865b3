// Copy and the right-click menu of a list of lines kept in a LineStore: "Copy" (Ctrl+C)
// takes every selected line, in order, joined by line breaks, as shown; "Select All"
// (Ctrl+A); then whatever entries the window adds ("Find…", "Clear", "Save…").
#pragma once

#include <QString>

class QAbstractItemView;
class QAction;
class LineStore;

// The selected rows' texts in row order, one per line.
QString SelectedLinesText(const QAbstractItemView& view, const LineStore& store);

// Gives `view` the "Copy" and "Select All" entries and makes its right-click menu
// list them, then `more` (null entries are left out); returns the "Copy" entry.
QAction* AddLineListMenu(QAbstractItemView* view, const LineStore& store, std::initializer_list<QAction*> more);
