#include "devices/report_ctrl.h"

#include <algorithm>
#include <utility>

namespace vexlo {

CReportCtrl::CReportCtrl() = default;
CReportCtrl::~CReportCtrl() = default;

void CReportCtrl::setObserver(ReportObserver* observer)
{
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CReportCtrl::removeObserver(ReportObserver* observer)
{
    std::erase(m_observers, observer);
}

void CReportCtrl::insertColumn(int column, std::u16string header, int widthPixels)
{
    const int position = std::clamp(column, 0, columnCount());
    m_columns.insert(m_columns.begin() + position, Column{std::move(header), widthPixels});
    for (Row& row : m_rows)
        row.cells.insert(row.cells.begin() + position, ReportCell{});
    notifyLayout();
}

int CReportCtrl::compareCells(const std::u16string& a, const std::u16string& b)
{
    return compareKeyedCells(a, sortKeyOf(a), b, sortKeyOf(b));
}

int CReportCtrl::columnCount() const
{
    return static_cast<int>(m_columns.size());
}

std::u16string CReportCtrl::headerText(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    return m_columns[column].header;
}

int CReportCtrl::columnWidth(int column) const
{
    if (column < 0 || column >= columnCount())
        return 0;
    return m_columns[column].widthPixels;
}

bool CReportCtrl::setColumnHeaderText(int column, std::u16string text)
{
    if (column < 0 || column >= columnCount())
        return false;
    m_columns[column].header = std::move(text);
    notifyLayout();
    return true;
}

int CReportCtrl::insertRow(int position, std::u16string column0Text)
{
    if (position < 0)
        return -1;
    position = std::min(position, rowCount());
    resetSortState();
    Row row;
    row.cells.resize(std::max(columnCount(), 1));
    row.cells[0].sortKey = sortKeyOf(column0Text);
    row.cells[0].text = std::move(column0Text);
    m_rows.insert(m_rows.begin() + position, std::move(row));
    notifyLayout();
    // Rows below an insertion move down one place; their records follow.
    for (int moved = position + 1; moved < rowCount(); ++moved)
        notifyRow(moved);
    return position;
}

int CReportCtrl::rowCount() const
{
    return static_cast<int>(m_rows.size());
}

bool CReportCtrl::validRow(int row) const
{
    return row >= 0 && row < rowCount();
}

bool CReportCtrl::setCellText(int row, int column, std::u16string text)
{
    if (!validRow(row) || column < 0 || column >= static_cast<int>(m_rows[row].cells.size()))
        return false;
    resetSortState();
    ReportCell& cell = m_rows[row].cells[column];
    cell.sortKey = sortKeyOf(text);
    cell.text = std::move(text);
    notifyRow(row);
    return true;
}

std::u16string CReportCtrl::cellText(int row, int column) const
{
    const ReportCell* found = cell(row, column);
    return found ? found->text : std::u16string();
}

const ReportCell* CReportCtrl::cell(int row, int column) const
{
    if (!validRow(row) || column < 0 || column >= static_cast<int>(m_rows[row].cells.size()))
        return nullptr;
    return &m_rows[row].cells[column];
}

bool CReportCtrl::attachDevice(int row, _DEVICERECORD* device)
{
    if (!validRow(row))
        return false;
    m_rows[row].device = device;
    notifyRow(row);
    return true;
}

_DEVICERECORD* CReportCtrl::deviceOfRow(int row) const
{
    return validRow(row) ? m_rows[row].device : nullptr;
}

int CReportCtrl::deleteAllRows()
{
    const int former = rowCount();
    m_rows.clear();
    notifyLayout();
    return former;
}

void CReportCtrl::setTextColour(int row, int column, Colour colour)
{
    const int first = validRow(row) ? row : 0;
    const int last = validRow(row) ? row : rowCount() - 1;
    for (int r = first; r <= last; ++r) {
        std::vector<ReportCell>& cells = m_rows[r].cells;
        if (column >= 0 && column < static_cast<int>(cells.size())) {
            cells[column].textColour = colour;
        } else {
            for (ReportCell& each : cells)
                each.textColour = colour;
        }
        notifyRow(r);
    }
}

void CReportCtrl::setBackgroundColour(int row, int column, Colour colour)
{
    const int first = validRow(row) ? row : 0;
    const int last = validRow(row) ? row : rowCount() - 1;
    for (int r = first; r <= last; ++r) {
        std::vector<ReportCell>& cells = m_rows[r].cells;
        if (column >= 0 && column < static_cast<int>(cells.size())) {
            cells[column].backgroundColour = colour;
        } else {
            for (ReportCell& each : cells)
                each.backgroundColour = colour;
        }
        notifyRow(r);
    }
}

bool CReportCtrl::isTicked(int row) const
{
    return validRow(row) && m_rows[row].ticked;
}

void CReportCtrl::setTicked(int row, bool ticked)
{
    if (!validRow(row) || m_rows[row].ticked == ticked)
        return;
    m_rows[row].ticked = ticked;
    notifyTick(row, ticked ? 1 : 2, ticked ? 2 : 1);
}

void CReportCtrl::tickAll(bool ticked)
{
    for (int row = 0; row < rowCount(); ++row)
        setTicked(row, ticked);
}

void CReportCtrl::invertTicks()
{
    for (int row = 0; row < rowCount(); ++row)
        setTicked(row, !m_rows[row].ticked);
}

int CReportCtrl::tickedCount() const
{
    return static_cast<int>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const Row& row) { return row.ticked; }));
}

bool CReportCtrl::isSelected(int row) const
{
    return validRow(row) && m_rows[row].selected;
}

void CReportCtrl::setSelected(int row, bool selected)
{
    if (!validRow(row) || m_rows[row].selected == selected)
        return;
    m_rows[row].selected = selected;
    notifyRow(row);
}

void CReportCtrl::selectOnly(int row)
{
    if (!validRow(row))
        return;
    for (int each = 0; each < rowCount(); ++each) {
        Row& current = m_rows[each];
        const bool wanted = each == row;
        if (current.selected != wanted || current.focused != wanted) {
            current.selected = wanted;
            current.focused = wanted;
            notifyRow(each);
        }
    }
}

int CReportCtrl::focusedRow() const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (m_rows[row].focused)
            return row;
    }
    return -1;
}

bool CReportCtrl::clickCheckBox(int row, bool running)
{
    if (running || !validRow(row))
        return false;
    const bool wasTicked = m_rows[row].ticked;
    setTicked(row, !wasTicked);
    if (m_rows[row].ticked == wasTicked)
        return false;
    selectOnly(row);
    return true;
}

bool CReportCtrl::keySwallowed(int key) const
{
    return key == kSpaceKey;
}

void CReportCtrl::setSortable(bool sortable)
{
    m_sortable = sortable;
}

bool CReportCtrl::sortable() const
{
    return m_sortable;
}

int CReportCtrl::sortColumn() const
{
    return m_sortColumn;
}

bool CReportCtrl::sortAscending() const
{
    return m_sortAscending;
}

void CReportCtrl::clickHeader(int column)
{
    if (!m_sortable)
        return;
    if (column == m_sortColumn)
        sort(column, !m_sortAscending);
    else
        sort(column, true);
}

void CReportCtrl::sort(int column, bool ascending)
{
    if (column < 0 || column >= columnCount())
        return;
    m_sortColumn = column;
    m_sortAscending = ascending;

    std::vector<int> order(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    if (!order.empty())
        quickSort(order, 0, static_cast<int>(order.size()) - 1, column, ascending);

    // Rows move whole: tick, selection, focus, record and cells go together, so
    // the ticked count stays right and every record learns its new row below.
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (int from : order)
        sorted.push_back(std::move(m_rows[from]));
    m_rows = std::move(sorted);
    notifyLayout();
    for (int row = 0; row < rowCount(); ++row)
        notifyRow(row);
}

int CReportCtrl::compareRows(int a, int b, int column, bool ascending) const
{
    static const ReportCell kEmpty;
    const ReportCell* cellA = cell(a, column);
    const ReportCell* cellB = cell(b, column);
    const ReportCell& left = cellA ? *cellA : kEmpty;
    const ReportCell& right = cellB ? *cellB : kEmpty;
    const int result = compareKeyedCells(left.text, left.sortKey, right.text, right.sortKey);
    return ascending ? result : -result;
}

// The list's own quicksort, not std::sort or std::stable_sort: rows that
// compare equal end in the order this partitioning leaves them, which is the
// order the list has always shown after a click on a header.
void CReportCtrl::quickSort(std::vector<int>& order, int first, int last, int column,
                            bool ascending) const
{
    while (first < last) {
        const int pivot = order[first + (last - first) / 2];
        int i = first;
        int j = last;
        while (i <= j) {
            while (compareRows(order[i], pivot, column, ascending) < 0)
                ++i;
            while (compareRows(order[j], pivot, column, ascending) > 0)
                --j;
            if (i <= j) {
                std::swap(order[i], order[j]);
                ++i;
                --j;
            }
        }
        if (first < j)
            quickSort(order, first, j, column, ascending);
        first = i;
    }
}

void CReportCtrl::resetSortState()
{
    m_sortColumn = -1;
    m_sortAscending = true;
}

void CReportCtrl::notifyTick(int row, int oldState, int newState)
{
    for (ReportObserver* observer : m_observers)
        observer->tickChanged(row, oldState, newState);
}

void CReportCtrl::notifyRow(int row)
{
    for (ReportObserver* observer : m_observers)
        observer->rowChanged(row);
}

void CReportCtrl::notifyLayout()
{
    for (ReportObserver* observer : m_observers)
        observer->layoutChanged();
}

} // namespace vexlo
