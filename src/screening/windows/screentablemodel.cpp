// The screen as an item model: one row a parameter, the screening table's columns, coloured by CpK.
#include "screening/windows/screentablemodel.h"

#include <QColor>
#include <QFont>

namespace moldrin
{

using screening::ParameterScreen;

namespace
{

// The text colour on the bands' light backgrounds, whatever the desktop's palette.
const QColor kTextColour(0x22, 0x22, 0x22);

QString TesterMeans(const ParameterScreen& p)
{
    QStringList lines;
    for (const screening::TesterFigures& t : p.testers)
        lines << screening::TesterMeanText(t) + QStringLiteral(" (n ") + screening::CountText(t.n) + u')';
    return lines.join(u'\n');
}

} // namespace

void ScreenTableModel::SetParameters(const QList<ParameterScreen>& parameters)
{
    beginResetModel();
    mParameters = parameters;
    mCells.clear();
    for (const ParameterScreen& p : mParameters)
        mCells << screening::ScreenCells(p);
    endResetModel();
    Reorder();
}

int ScreenTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(mParameters.size());
}

int ScreenTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : screening::kScreenColumnCount;
}

QVariant ScreenTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= mParameters.size())
        return {};
    const ParameterScreen& p = mParameters[index.row()];
    const int column = index.column();
    const bool flagged = column == screening::kColTesterP && p.testerDiffers;
    switch (role) {
    case Qt::DisplayRole: {
        const QString& text = mCells[index.row()].value(column).text;
        return flagged ? screening::kTesterFlag + u' ' + text : text;
    }
    case Qt::ToolTipRole:
        if (column == screening::kColParameter && !p.name.isEmpty() && !p.item.contains(p.name))
            return p.name;
        if (column == screening::kColTesterP)
            return TesterMeans(p);
        return {};
    case Qt::BackgroundRole: {
        const screening::BandColours colours = screening::ColoursOf(screening::BandOf(p.cpk));
        return QColor(QLatin1String(column == screening::kColCpK ? colours.key : colours.row));
    }
    case Qt::ForegroundRole:
        return flagged ? QColor(QLatin1String(screening::kTesterFlagColour)) : kTextColour;
    case Qt::FontRole:
        if (column == screening::kColCpK || flagged) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        return int(Qt::AlignVCenter | (screening::IsTextColumn(column) ? Qt::AlignLeft : Qt::AlignRight));
    case kParameterIndexRole:
        return p.index;
    default:
        break;
    }
    return {};
}

QVariant ScreenTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return screening::ScreenHeadings().value(section);
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole) {
        if (section >= screening::kColR1 && section < screening::kColTesterP)
            return QStringLiteral("Points rule R%1 marks on the X-Bar chart").arg(section - screening::kColR1 + 1);
        if (section == screening::kColTesterP)
            return QStringLiteral("Do the testers read alike? (analysis of variance; a cell's tip lists their means)");
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ScreenTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= screening::kScreenColumnCount)
        return;
    mSortColumn = column;
    mSortOrder = order;
    Reorder();
}

void ScreenTableModel::Reorder()
{
    const QList<int> order = screening::ScreenOrder(mCells, mSortColumn, mSortOrder);
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> newRow(order.size());
    QList<ParameterScreen> parameters;
    QList<QList<screening::ScreenCell>> cells;
    for (int i = 0; i < order.size(); ++i) {
        newRow[order[i]] = i;
        parameters << mParameters[order[i]];
        cells << mCells[order[i]];
    }
    mParameters = parameters;
    mCells = cells;
    // The selection and the current row follow their parameter.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& i : before)
        after << index(newRow.value(i.row(), i.row()), i.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace moldrin
