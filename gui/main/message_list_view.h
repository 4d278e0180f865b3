// The message list's view: one text row per model row, all rows the same height.
// A list view lays out every row again on each insertion, so a long list makes each
// appended batch cost more; this view computes a row's place from its number, takes
// an append in time proportional to the batch, and paints only the rows in the dirty
// region (appending at the bottom scrolls the pixels and paints just the new rows).
// Rows of plain text are drawn as glyph runs: a row needs no shaping or line
// breaking, and those cost several times the drawing itself.
#pragma once

#include <QAbstractItemView>
#include <QRawFont>
#include <vector>

class MessageListView : public QAbstractItemView {
    Q_OBJECT

public:
    explicit MessageListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;
    void setModel(QAbstractItemModel* model) override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void changeEvent(QEvent* event) override;
    // Moves the painted pixels instead of repainting the whole viewport.
    void scrollContentsBy(int dx, int dy) override;

private:
    int rowCount() const;
    int RowHeight() const;
    // Row under a y coordinate of the viewport, clamped to the rows there are.
    int RowAt(int y) const;
    QString RowText(int row) const;
    void MeasureRows(int first, int last);
    // Draws a row as one glyph per character from the font's character map, with
    // its baseline at `origin`; false (nothing drawn) for text that needs shaping
    // or a character the font lacks.
    bool DrawPlainRow(QPainter& painter, QPointF origin, const QString& text) const;
    // Takes the figures of a new font: row height, scroll step, the glyph table.
    void TakeFont();

    // Characters below U+0300 that DrawPlainRow draws from the table.
    static constexpr int kTableChars = 0x300;
    QRawFont raw_font_; // the view's font, for DrawPlainRow
    // Glyph and advance per character, looked up once per font: asking the font for
    // each row costs as much as drawing it. Glyph 0: the font lacks the character.
    std::vector<quint32> glyph_table_;
    std::vector<qreal> advance_table_;
    int row_height_ = 0;
    int char_step_ = 0; // the horizontal bar's step
    int widest_ = 0; // pixels of the widest row so far
    int measured_chars_ = 0; // characters of the longest row measured so far
    bool bars_needed_[2] = {false, false}; // vertical, horizontal: a range to scroll
};
