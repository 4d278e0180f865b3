#include "gui/main/message_list_view.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <tuple>

namespace {
// A scroll bar that repaints only when what it shows changes. A growing list moves
// its range and value with every append, yet once the handle is at its smallest and
// at the bottom nothing on screen changes; a repaint there costs more than the rows
// appended (a tall scroll bar is filled in slices on Qt's painting threads). Until
// then the handle shrinks with every batch: the bar follows a growing list at most
// five times a second, and shows anything else (a drag, the wheel, a jump) at once.
class ListScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    // An append moves the range and then the value: the bar is compared with what it
    // shows once both are done, from the event loop.
    void sliderChange(SliderChange change) override {
        const bool transient = style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this) != 0;
        if ((change != SliderRangeChange && change != SliderValueChange) || transient) {
            QScrollBar::sliderChange(change);
            return;
        }
        if (change == SliderRangeChange) range_moved_ = true;
        if (check_pending_) return;
        check_pending_ = true;
        QMetaObject::invokeMethod(this, [this] { Check(); }, Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent* event) override {
        shown_ = Look();
        range_moved_ = false;
        pace_.stop();
        painted_.start();
        QScrollBar::paintEvent(event);
    }
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != pace_.timerId()) return QScrollBar::timerEvent(event);
        pace_.stop();
        update();
    }

private:
    static constexpr qint64 kGrowingPaceMs = 200;

    void Check() {
        check_pending_ = false;
        if (Look() == shown_) return;
        const qint64 wait = range_moved_ && painted_.isValid() && !isSliderDown()
                                ? kGrowingPaceMs - painted_.elapsed()
                                : 0;
        if (wait <= 0) {
            update();
        } else if (!pace_.isActive()) {
            pace_.start(static_cast<int>(wait), this);
        }
    }

    // The handle's place and size, and whether each end is reached (the arrows show it).
    std::tuple<QRect, bool, bool> Look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        return {handle, value() == minimum(), value() == maximum()};
    }

    std::tuple<QRect, bool, bool> shown_{QRect(), false, false};
    bool check_pending_ = false;
    bool range_moved_ = false; // since the last paint
    QElapsedTimer painted_;
    QBasicTimer pace_;
};

// Blank pixels around a row's text.
constexpr int kRowPadding = 2;
constexpr int kTextIndent = 3;
// The tallest background fill the view asks for at once (see paintEvent).
constexpr int kFillBand = 64;

int clampToInt(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, 0, INT_MAX));
}
} // namespace

MessageListView::MessageListView(QWidget* parent) : QAbstractItemView(parent) {
    TakeFont();
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    // The background is painted here, so nothing beneath needs repainting.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setVerticalScrollBar(new ListScrollBar(Qt::Vertical, this));
    // QAbstractItemView follows its scroll bar's moves; a replaced bar needs telling.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &MessageListView::verticalScrollbarAction);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &MessageListView::verticalScrollbarValueChanged);
    // The scroll area lays its children out again after every range change, and each
    // of those layouts repaints both scroll bars whole. updateGeometries asks for a
    // layout only when a bar's need to be shown changes.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        disconnect(bar, SIGNAL(rangeChanged(int, int)), this, SLOT(_q_showOrHideScrollBars()));
    // The scroll bars change with every append; filled, they need no repainting of
    // the frame and the windows beneath them.
    verticalScrollBar()->setAutoFillBackground(true);
    horizontalScrollBar()->setAutoFillBackground(true);
}

int MessageListView::rowCount() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int MessageListView::RowHeight() const {
    return row_height_;
}

void MessageListView::TakeFont() {
    const QFontMetrics metrics = fontMetrics();
    row_height_ = metrics.height() + kRowPadding;
    char_step_ = metrics.averageCharWidth() * 2;
    raw_font_ = QRawFont::fromFont(font());
    glyph_table_.assign(kTableChars, 0);
    advance_table_.assign(kTableChars, 0);
    if (!raw_font_.isValid()) return;
    QString all(kTableChars - 0x20, Qt::Uninitialized);
    for (int c = 0x20; c < kTableChars; ++c) all[c - 0x20] = QChar(c);
    const QList<quint32> glyphs = raw_font_.glyphIndexesForString(all);
    if (glyphs.size() != all.size()) return; // drawn through the full layout instead
    const QList<QPointF> advances = raw_font_.advancesForGlyphIndexes(glyphs);
    for (int c = 0x20; c < kTableChars; ++c) {
        glyph_table_[c] = glyphs[c - 0x20];
        advance_table_[c] = advances.value(c - 0x20).x();
    }
}

int MessageListView::RowAt(int y) const {
    qint64 row = (qint64(y) + verticalOffset()) / RowHeight();
    return static_cast<int>(std::clamp<qint64>(row, 0, std::max(0, rowCount() - 1)));
}

QString MessageListView::RowText(int row) const {
    return model()->data(model()->index(row, 0, rootIndex()), Qt::DisplayRole).toString();
}

void MessageListView::MeasureRows(int first, int last) {
    int longest = 0;
    int longest_row = -1;
    for (int row = first; row <= last; ++row) {
        int length = static_cast<int>(RowText(row).size());
        if (length > longest) {
            longest = length;
            longest_row = row;
        }
    }
    // Only the longest text of the batch is measured, and only when it is longer than
    // any measured before: rows are mostly of one width in a fixed-pitch font, and
    // measuring (shaping) text costs more than the append itself.
    if (longest_row < 0 || longest <= measured_chars_) return;
    measured_chars_ = longest;
    widest_ = std::max(widest_, fontMetrics().horizontalAdvance(RowText(longest_row)) + 2 * kTextIndent);
}

QRect MessageListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex()) return {};
    qint64 top = qint64(index.row()) * RowHeight() - verticalOffset();
    if (top < INT_MIN / 2 || top > INT_MAX / 2) return {};
    return QRect(-horizontalOffset(), static_cast<int>(top), std::max(widest_, viewport()->width()), RowHeight());
}

void MessageListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const qint64 h = RowHeight();
    const qint64 top = qint64(index.row()) * h;
    const qint64 view = viewport()->height();
    qint64 value = verticalOffset();
    switch (hint) {
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = top + h - view;
        break;
    case PositionAtCenter:
        value = top - (view - h) / 2;
        break;
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + h > value + view)
            value = top + h - view;
        break;
    }
    verticalScrollBar()->setValue(clampToInt(value));
}

QModelIndex MessageListView::indexAt(const QPoint& point) const {
    if (!model()) return {};
    qint64 row = (qint64(point.y()) + verticalOffset()) / RowHeight();
    if (point.y() < -verticalOffset() || row >= rowCount()) return {};
    return model()->index(static_cast<int>(row), 0, rootIndex());
}

void MessageListView::setModel(QAbstractItemModel* model) {
    if (this->model()) disconnect(this->model(), &QAbstractItemModel::rowsRemoved, this, nullptr);
    QAbstractItemView::setModel(model);
    // The oldest rows of a bounded list go from the top: everything below moves up.
    if (model)
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex& parent) {
            if (parent != rootIndex()) return;
            updateGeometries();
            viewport()->update();
        });
}

void MessageListView::reset() {
    QAbstractItemView::reset();
    widest_ = 0;
    measured_chars_ = 0;
    if (rowCount() > 0) MeasureRows(0, rowCount() - 1);
    updateGeometries();
    viewport()->update();
}

QModelIndex MessageListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = rowCount();
    if (rows == 0) return {};
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : 0;
    const int page = std::max(1, viewport()->height() / RowHeight() - 1);
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

int MessageListView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int MessageListView::verticalOffset() const {
    return verticalScrollBar()->value();
}

void MessageListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!selectionModel() || rowCount() == 0) return;
    QRect r = rect.normalized();
    QItemSelection selection(model()->index(RowAt(r.top()), 0, rootIndex()),
                             model()->index(RowAt(r.bottom()), 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion MessageListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect shown = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid()) continue;
        QRect first = visualRect(model()->index(range.top(), 0, rootIndex()));
        QRect last = visualRect(model()->index(range.bottom(), 0, rootIndex()));
        region += first.united(last).intersected(shown);
    }
    return region;
}

void MessageListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const QPalette& pal = palette();
    // In bands: Qt's raster engine hands a fill taller than about 96 pixels to its
    // painting threads in slices, and waking them costs more than the fill.
    for (int y = dirty.top(); y <= dirty.bottom(); y += kFillBand)
        painter.fillRect(QRect(dirty.left(), y, dirty.width(), std::min(kFillBand, dirty.bottom() + 1 - y)),
                         pal.brush(QPalette::Base));
    const int rows = rowCount();
    if (rows == 0) return;
    const int h = RowHeight();
    const int first = RowAt(dirty.top());
    const int last = RowAt(dirty.bottom());
    const int left = -horizontalOffset() + kTextIndent;
    const int width = std::max(widest_, viewport()->width());
    QItemSelectionModel* selections = selectionModel();
    const QFontMetrics metrics = fontMetrics();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        const int top = static_cast<int>(qint64(row) * h - verticalOffset());
        const QRect rowRect(-horizontalOffset(), top, width, h);
        const bool selected = selections && selections->isSelected(index);
        if (selected) painter.fillRect(rowRect, pal.brush(QPalette::Highlight));
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QString text = RowText(row);
        const QPointF origin(left, top + (h - metrics.height()) / 2 + metrics.ascent());
        if (!DrawPlainRow(painter, origin, text))
            painter.drawText(QRect(left, top, width, h), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             text);
    }
}

bool MessageListView::DrawPlainRow(QPainter& painter, QPointF origin, const QString& text) const {
    if (!raw_font_.isValid()) return false;
    // Below U+0300 every character is one glyph drawn as it is: no combining marks,
    // no script that shapes. Control characters are left to the full layout.
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    qreal at = 0;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20 || code >= kTableChars) return false;
        const quint32 glyph = glyph_table_[code];
        if (glyph == 0) return false; // a fallback font would draw it
        glyphs.append(glyph);
        positions.append(QPointF(at, 0));
        at += advance_table_[code];
    }
    QGlyphRun run;
    run.setRawFont(raw_font_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
    return true;
}

void MessageListView::updateGeometries() {
    const int h = RowHeight();
    const QSize view = viewport()->size();
    verticalScrollBar()->setSingleStep(h);
    verticalScrollBar()->setPageStep(std::max(h, view.height()));
    verticalScrollBar()->setRange(0, clampToInt(qint64(rowCount()) * h - view.height()));
    horizontalScrollBar()->setSingleStep(char_step_);
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    horizontalScrollBar()->setRange(0, std::max(0, widest_ - view.width()));
    const bool needed[2] = {verticalScrollBar()->maximum() > 0, horizontalScrollBar()->maximum() > 0};
    if (needed[0] != bars_needed_[0] || needed[1] != bars_needed_[1]) {
        bars_needed_[0] = needed[0];
        bars_needed_[1] = needed[1];
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
    QAbstractItemView::updateGeometries();
}

void MessageListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent != rootIndex()) return;
    MeasureRows(start, end);
    updateGeometries();
    // Rows appended below the visible area need no painting until they are scrolled in.
    const qint64 h = RowHeight();
    const qint64 top = std::max<qint64>(qint64(start) * h - verticalOffset(), 0);
    const qint64 bottom = std::min<qint64>((qint64(end) + 1) * h - verticalOffset(), viewport()->height());
    if (top < bottom)
        viewport()->update(QRect(0, static_cast<int>(top), viewport()->width(), static_cast<int>(bottom - top)));
}

void MessageListView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
}

void MessageListView::changeEvent(QEvent* event) {
    QAbstractItemView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        TakeFont();
        reset();
    }
}
