#include "gui/device_list_model.h"

#include <QBrush>
#include <QColor>

namespace vexlo {

QColor toQColor(Colour colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

DeviceListModel::DeviceListModel(CReportCtrl& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_shownRows(list.rowCount()),
      m_shownColumns(list.columnCount())
{
    m_list.setObserver(this);
}

DeviceListModel::~DeviceListModel()
{
    m_list.removeObserver(this);
}

void DeviceListModel::tickChanged(int row, int, int)
{
    redrawRow(row);
}

void DeviceListModel::rowChanged(int row)
{
    redrawRow(row);
}

void DeviceListModel::layoutChanged()
{
    refresh();
}

void DeviceListModel::redrawRow(int row)
{
    if (row < 0 || row >= m_shownRows || m_shownRows != m_list.rowCount() ||
        m_shownColumns != m_list.columnCount()) {
        refresh();
        return;
    }
    if (m_shownColumns > 0)
        emit dataChanged(index(row, 0), index(row, m_shownColumns - 1));
}

void DeviceListModel::refresh()
{
    if (m_shownColumns != m_list.columnCount()) {
        beginResetModel();
        m_shownRows = m_list.rowCount();
        m_shownColumns = m_list.columnCount();
        endResetModel();
        return;
    }
    // Rows come and go at the end (a search appends, a new search clears), so
    // an insertion or removal keeps the column widths the user may have set.
    const int rows = m_list.rowCount();
    if (rows > m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, rows - 1);
        m_shownRows = rows;
        endInsertRows();
    } else if (rows < m_shownRows) {
        beginRemoveRows(QModelIndex(), rows, m_shownRows - 1);
        m_shownRows = rows;
        endRemoveRows();
    }
    if (m_shownColumns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_shownColumns - 1);
    if (m_shownRows > 0 && m_shownColumns > 0)
        emit dataChanged(index(0, 0), index(m_shownRows - 1, m_shownColumns - 1));
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownColumns;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const ReportCell* cell = m_list.cell(index.row(), index.column());
    if (!cell)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdU16String(cell->text);
    case Qt::ForegroundRole:
        return QBrush(toQColor(cell->textColour));
    case Qt::BackgroundRole:
        return QBrush(toQColor(cell->backgroundColour));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return m_list.isTicked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_shownColumns)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdU16String(m_list.headerText(section));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool DeviceListModel::setData(const QModelIndex&, const QVariant&, int)
{
    // Ticks change only through CReportCtrl::clickCheckBox (which refuses
    // while a sequence runs) or through the main window's logic.
    return false;
}

} // namespace vexlo
