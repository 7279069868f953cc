// The table model behind a CommandListView. It stores nothing per row: it answers every
// cell from the command list. Its row count is a shadow of the list's, moved only by the
// view's notifications, so that the views see each insertion and removal announced.
#pragma once

#include "debugger/command_list.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPalette>
#include <functional>
#include <utility>

class QWidget;

namespace corvid::ombra {

// Row colours: the text by the list's highlight, the background by the bus address.
QColor RowForeground(const debugger::CommandList& list, int row, bool coding, const QPalette& palette);
QColor RowBackground(const debugger::CommandList& list, int row, bool coding, const QPalette& palette);

class CommandListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The palette comes from the view that paints the rows.
    CommandListModel(const debugger::CommandList& list, const QWidget& paletteSource, QObject* parent);

    void SetColourCoding(std::function<bool()> query) { colourCoding_ = std::move(query); }
    bool ColourCoding() const { return !colourCoding_ || colourCoding_(); }
    const QPalette& Palette() const;

    // The list has count new rows from index / lost count rows from index / was replaced.
    void InsertRows(int index, int count = 1);
    void RemoveRows(int index, int count = 1);
    void Reset();
    void RefreshRow(int index);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const debugger::CommandList& list_;
    const QWidget& paletteSource_;
    std::function<bool()> colourCoding_;
    int rows_;
};

} // namespace corvid::ombra
