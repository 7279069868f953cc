#include "command_list_model.h"

#include "debugger/list_text.h"
#include "ombra/command_icons.h"

#include <QBrush>
#include <QWidget>

namespace corvid::ombra {
namespace {

constexpr std::uint32_t kGreyText = 0xAAAAAA;

} // namespace

QColor RowForeground(const debugger::CommandList& list, int row, bool coding, const QPalette& palette) {
    if (debugger::RowTextStyle(list, row) == debugger::RowText::normal)
        return coding ? QColor(Qt::black) : palette.color(QPalette::Active, QPalette::WindowText);
    return coding ? ColourFromBgr(kGreyText) : palette.color(QPalette::Disabled, QPalette::Text);
}

QColor RowBackground(const debugger::CommandList& list, int row, bool coding, const QPalette& palette) {
    if (coding) {
        if (const debugger::CommandItem* item = list.At(row)) {
            if (const auto colour = debugger::BusAddressColour(item->command.BusAddress()))
                return ColourFromBgr(*colour);
        }
    }
    return palette.color(QPalette::Active, QPalette::Base);
}

CommandListModel::CommandListModel(const debugger::CommandList& list, const QWidget& paletteSource,
                                   QObject* parent)
    : QAbstractTableModel(parent), list_(list), paletteSource_(paletteSource), rows_(list.Count()) {}

const QPalette& CommandListModel::Palette() const {
    return paletteSource_.palette();
}

void CommandListModel::InsertRows(int index, int count) {
    if (index < 0 || index > rows_ || count < 1) {
        Reset(); // not a change the model can describe row by row
        return;
    }
    beginInsertRows(QModelIndex(), index, index + count - 1);
    rows_ += count;
    endInsertRows();
}

void CommandListModel::RemoveRows(int index, int count) {
    if (index < 0 || count < 1 || index + count > rows_) {
        Reset();
        return;
    }
    beginRemoveRows(QModelIndex(), index, index + count - 1);
    rows_ -= count;
    endRemoveRows();
}

void CommandListModel::Reset() {
    beginResetModel();
    rows_ = list_.Count();
    endResetModel();
}

void CommandListModel::RefreshRow(int index) {
    if (index >= 0 && index < rows_)
        emit dataChanged(this->index(index, 0), this->index(index, columnCount() - 1));
}

int CommandListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int CommandListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(debugger::ListColumns().size());
}

QVariant CommandListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const int row = index.row();
    const debugger::CommandItem* item = list_.At(row);
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 0)
            return {};
        return QString::fromStdString(debugger::CellText(item->command, index.column()));
    case Qt::DecorationRole:
        if (index.column() != 0)
            return {};
        return CommandIcon(debugger::IconIndex(*item, row == list_.PlaybackPosition()));
    case Qt::ForegroundRole:
        return QBrush(RowForeground(list_, row, ColourCoding(), Palette()));
    case Qt::BackgroundRole:
        return QBrush(RowBackground(list_, row, ColourCoding(), Palette()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant CommandListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const auto& columns = debugger::ListColumns();
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        const std::string_view heading = columns[static_cast<std::size_t>(section)].heading;
        return QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size()));
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags CommandListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace corvid::ombra
