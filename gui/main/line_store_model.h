// A list model over a LineStore that another object fills (the link monitor's log):
// told after each batch how many lines were appended and how many dropped from the
// front, it tells its views. Its row count is what it last told them.
#pragma once

#include <QAbstractListModel>
#include <cstddef>

class LineStore;

class LineStoreModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The store outlives the model.
    LineStoreModel(const LineStore& store, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The store dropped `dropped` lines from its front and appended `appended`.
    void Follow(std::size_t dropped, std::size_t appended);
    // The store was emptied or replaced.
    void Reset();

private:
    const LineStore& store_;
    int rows_ = 0;
};
