#include "grid_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>

namespace corvid::gridwizdao {
namespace {

QColor FromColorRef(uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace

GridModel::GridModel(std::shared_ptr<GridData> data, QObject* parent)
    : QAbstractTableModel(parent), data_(std::move(data)), fetched_(std::min(data_->RowCount(), kBatch)) {}

void GridModel::Replace(std::shared_ptr<GridData> data) {
    beginResetModel();
    data_ = std::move(data);
    fetched_ = std::min(data_->RowCount(), kBatch);
    endResetModel();
}

void GridModel::CellChanged(int row, int column) {
    if (row < fetched_) {
        QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
    }
}

void GridModel::RowChanged(int row) {
    if (row < fetched_ && data_->ColumnCount() > 0)
        emit dataChanged(index(row, 0), index(row, data_->ColumnCount() - 1),
                         {Qt::ForegroundRole, Qt::BackgroundRole});
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fetched_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : data_->ColumnCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(data_->CellText(index.row(), index.column()));
    case Qt::ForegroundRole:
    case Qt::BackgroundRole:
        if (auto colors = data_->ColorsOf(index.row()))
            return QBrush(FromColorRef(role == Qt::ForegroundRole ? colors->foreground : colors->background));
        return {};
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < data_->ColumnCount())
        return QString::fromStdString(data_->ColumnName(section));
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && data_->IsCellEditable(index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        !data_->SetCell(index.row(), index.column(), value.toString().toStdString()))
        return false;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void GridModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= data_->ColumnCount())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> moved = data_->Sort(column, order == Qt::DescendingOrder);
    // Rows move as a whole: the views' persistent cells follow theirs.
    for (const QModelIndex& old : persistentIndexList()) {
        const int row = moved.at(static_cast<size_t>(old.row()));
        changePersistentIndex(old, row < fetched_ ? index(row, old.column()) : QModelIndex());
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool GridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && fetched_ < data_->RowCount();
}

void GridModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    int more = std::min(data_->RowCount() - fetched_, kBatch);
    if (more <= 0)
        return;
    beginInsertRows({}, fetched_, fetched_ + more - 1);
    fetched_ += more;
    endInsertRows();
}

} // namespace corvid::gridwizdao
