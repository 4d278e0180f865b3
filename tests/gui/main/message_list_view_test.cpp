// The message list's view over its model: rows placed by number, appends that keep
// the last line in sight, selection and keys, offscreen.
#include <QScrollBar>
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
