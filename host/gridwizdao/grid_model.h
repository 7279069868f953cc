// The Qt table model over the grid's rows: texts and flags computed when the view asks,
// rows handed to the view in batches as it scrolls.
#pragma once

#include "grid_data.h"

#include <QAbstractTableModel>
#include <memory>

namespace corvid::gridwizdao {

class GridModel final : public QAbstractTableModel {
public:
    explicit GridModel(std::shared_ptr<GridData> data, QObject* parent = nullptr);

    // Shows other rows (after a refresh).
    void Replace(std::shared_ptr<GridData> data);
    // Tells the views that a cell or a row's colours changed outside the model.
    void CellChanged(int row, int column);
    void RowChanged(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    static constexpr int kBatch = 256;

private:
    std::shared_ptr<GridData> data_;
    int fetched_ = 0;
};

} // namespace corvid::gridwizdao
