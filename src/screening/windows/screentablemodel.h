// The screen as an item model: one row a parameter, the screening table's columns, coloured by CpK.
#pragma once

#include "screening/screentable.h"

#include <QAbstractTableModel>

namespace moldrin
{

class ScreenTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The row's parameter as an index into the parameter list (int).
    static constexpr int kParameterIndexRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    // Shows `parameters` in the order of the last sort (CpK ascending until a heading is clicked).
    void SetParameters(const QList<screening::ParameterScreen>& parameters);
    // The parameters in the order shown.
    const QList<screening::ParameterScreen>& parameters() const { return mParameters; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Numbers by value, texts without regard to case, "N/A" last in either order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void Reorder();

    QList<screening::ParameterScreen> mParameters;
    QList<QList<screening::ScreenCell>> mCells; // parallel to mParameters
    int mSortColumn = screening::kColCpK;
    Qt::SortOrder mSortOrder = Qt::AscendingOrder;
};

} // namespace moldrin
