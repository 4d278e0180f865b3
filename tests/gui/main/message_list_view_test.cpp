// The message list's view over its model: rows placed by number, appends that keep
// the last line in sight, selection and keys, offscreen.
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QAbstractItemModelTester>
#include <QtTest>

#include "gui/main/message_list_model.h"
#include "gui/main/message_list_view.h"

class MessageListViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MessageListModel> model_;
    std::unique_ptr<MessageListView> view_;

    void append(int first, int count, const std::string& tail = std::string()) {
        std::vector<std::string> lines;
        for (int i = first; i < first + count; ++i) lines.push_back("line " + std::to_string(i) + tail);
        model_->AppendLines(lines);
    }
    int RowAt(int y) { return view_->indexAt(QPoint(5, y)).row(); }
    int viewportHeight() { return view_->viewport()->height(); }

private slots:
    void init() {
        model_ = std::make_unique<MessageListModel>();
        view_ = std::make_unique<MessageListView>();
        view_->setModel(model_.get());
        view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view_->resize(300, 200);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }

    void cleanup() {
        view_.reset();
        model_.reset();
    }

    void rowsArePlacedByNumber() {
        append(0, 50);
        int h = view_->visualRect(model_->index(0)).height();
        QVERIFY(h > 0);
        QCOMPARE(view_->visualRect(model_->index(3)).top(), 3 * h);
        QCOMPARE(RowAt(0), 0);
        QCOMPARE(RowAt(3 * h + 1), 3);
        QCOMPARE(view_->indexAt(QPoint(5, 60 * h)), QModelIndex());
    }

    void appendedRowsStayInSightAfterScrollToBottom() {
        for (int batch = 0; batch < 100; ++batch) {
            append(batch * 100, 100);
            view_->scrollToBottom();
        }
        QCOMPARE(model_->rowCount(), 10000);
        QCOMPARE(RowAt(viewportHeight() - 2), 9999);
        QRect last = view_->visualRect(model_->index(9999));
        QVERIFY(last.bottom() < viewportHeight());
        QVERIFY(last.top() >= 0);
        view_->scrollToTop();
        QCOMPARE(RowAt(0), 0);
        view_->scrollTo(model_->index(5000), QAbstractItemView::PositionAtTop);
        QCOMPARE(RowAt(1), 5000);
    }

    void longRowsWidenTheHorizontalRange() {
        append(0, 5);
        QCOMPARE(view_->horizontalScrollBar()->maximum(), 0);
        append(5, 1, std::string(300, 'w'));
        QVERIFY(view_->horizontalScrollBar()->maximum() > 0);
        model_->ClearLines();
        QCOMPARE(view_->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view_->verticalScrollBar()->maximum(), 0);
    }

    // While the list grows the bar follows a few times a second, and it always ends
    // showing the list's last length.
    void theScrollBarFollowsAGrowingListPacedAndCatchesUp() {
        struct PaintWatch : QObject {
            QScrollBar* bar = nullptr;
            int paints = 0;
            QRect handle; // where the last paint drew it
            QRect Handle() const {
                QStyleOptionSlider option;
                option.initFrom(bar);
                option.orientation = bar->orientation();
                option.minimum = bar->minimum();
                option.maximum = bar->maximum();
                option.sliderPosition = option.sliderValue = bar->value();
                option.pageStep = bar->pageStep();
                option.singleStep = bar->singleStep();
                return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
            }
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) ++paints, handle = Handle();
                return false;
            }
        } watch;
        watch.bar = view_->verticalScrollBar();
        watch.bar->installEventFilter(&watch);
        QElapsedTimer clock;
        clock.start();
        for (int batch = 0; batch < 30; ++batch) {
            append(batch * 3, 3);
            view_->scrollToBottom();
            QTest::qWait(10);
        }
        const qint64 growing = clock.elapsed();
        QTest::qWait(400);
        QCOMPARE(watch.handle, watch.Handle());
        QVERIFY2(watch.paints <= growing / 200 + 3, "the bar repainted with every batch");
    }

    void aBoundedListDropsTheOldestRowsAndSaysSo() {
        QAbstractItemModelTester tester(model_.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        model_->SetLimits(100, 256);
        for (int batch = 0; batch < 30; ++batch) {
            append(batch * 37, 37);
            view_->scrollToBottom();
        }
        QVERIFY(model_->rowCount() <= 101);
        QVERIFY(model_->index(0).data().toString().contains(QStringLiteral("earlier lines dropped")));
        QCOMPARE(model_->index(model_->rowCount() - 1).data().toString(), QStringLiteral("line 1109"));
        QCOMPARE(RowAt(viewportHeight() - 2), model_->rowCount() - 1);
        view_->scrollToTop();
        QCOMPARE(RowAt(0), 0);
    }

    // Plain rows are drawn by the view's own glyph runs, others (a control character)
    // by QPainter's text layout: both put the ink where QPainter::drawText would.
    void rowsAreDrawnWhereQPainterDrawsTheirText() {
        const std::vector<std::string> rows = {"line 1 <CR><LF>", "", "caf\xE9 \xB5 ~|", "", "a\tb\x01c", "",
                                               std::string(30, 'x') + "0123456789 abcdefghijklmnopqrstuvwxyz"};
        view_->resize(600, 200);
        view_->setFont(QFont(QStringLiteral("DejaVu Sans Mono"))); // the message list's
        model_->AppendLines(rows);
        const QImage shown = view_->viewport()->grab().toImage();
        const QColor base = view_->palette().color(QPalette::Base);
        // The ink's bounding box in the band of `row`, or a null rect.
        auto ink = [&](const QImage& image, int row) {
            const QRect band = view_->visualRect(model_->index(row)).intersected(image.rect());
            QRect box;
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    if (image.pixelColor(x, y) != base) box |= QRect(x, y, 1, 1);
            return box;
        };
        for (int row = 0; row < int(rows.size()); ++row) {
            QImage expected(shown.size(), QImage::Format_ARGB32_Premultiplied);
            expected.fill(base);
            QPainter painter(&expected);
            painter.setFont(view_->font());
            painter.setPen(view_->palette().color(QPalette::Text));
            const QRect rect = view_->visualRect(model_->index(row)).adjusted(3, 0, 0, 0);
            painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             model_->index(row).data().toString());
            painter.end();
            const QRect want = ink(expected, row), got = ink(shown, row);
            QCOMPARE(got.isNull(), rows[row].empty());
            for (auto [a, b] : {std::pair{got.left(), want.left()}, {got.right(), want.right()}, {got.top(), want.top()},
                                {got.bottom(), want.bottom()}})
                QVERIFY2(std::abs(a - b) <= 1, qPrintable(QStringLiteral("row %1: ink at %2, QPainter's at %3")
                                                             .arg(row).arg(QDebug::toString(got), QDebug::toString(want))));
        }
    }

    void clickAndShiftClickSelectRows() {
        append(0, 20);
        int h = view_->visualRect(model_->index(0)).height();
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, QPoint(5, 2 * h + h / 2));
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5 * h + h / 2));
        QModelIndexList rows = view_->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.first().row(), 2);
        QCOMPARE(rows.last().row(), 5);
        QTest::keyClick(view_.get(), Qt::Key_Down);
        QCOMPARE(view_->currentIndex().row(), 6);
        QTest::keyClick(view_.get(), Qt::Key_End);
        QCOMPARE(view_->currentIndex().row(), 19);
    }
};

QTEST_MAIN(MessageListViewTest)
#include "message_list_view_test.moc"
