#pragma once

#include "devices/cell_compare.h"

#include <cstdint>
#include <string>
#include <vector>

// The device list (control 1000) as a model: rows of seven cells, each cell with
// its text, text colour and background colour; a tick per row (state image 1
// unticked, 2 ticked); the row's device record; selection and focus; sorting by
// a column. The view of a front end only draws it and reports clicks.
namespace vexlo {
struct _DEVICERECORD;

using Colour = std::uint32_t; // 0x00BBGGRR, as RGB(r, g, b) builds it
constexpr Colour rgb(int r, int g, int b)
{
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
inline constexpr Colour kWindowTextColour = rgb(0, 0, 0);
inline constexpr Colour kWindowColour = rgb(255, 255, 255);

inline constexpr int kDeviceListColumns = 7;

// Told about every change, so a view can redraw and the main window can keep its
// counts and every record's listRow right.
class ReportObserver
{
public:
    virtual ~ReportObserver() = default;
    // A row's tick changed: old and new state image (1 or 2).
    virtual void tickChanged(int row, int oldState, int newState) = 0;
    // Any other change of a row (text, colour, data, selection): the main window
    // writes the row's index into the attached record's listRow.
    virtual void rowChanged(int row) = 0;
    // Rows were inserted, deleted or reordered, or a header text changed.
    virtual void layoutChanged() = 0;
};

struct ReportCell
{
    std::u16string text;
    CellSortKey sortKey; // of `text`, set with it
    Colour textColour = kWindowTextColour;
    Colour backgroundColour = kWindowColour;
};

class CReportCtrl
{
public:
    CReportCtrl();
    ~CReportCtrl();
    CReportCtrl(const CReportCtrl&) = delete;
    CReportCtrl& operator=(const CReportCtrl&) = delete;

    // Adds an observer (the main window, a view); every observer hears of every
    // change. Adding one twice has no effect; null is ignored.
    void setObserver(ReportObserver* observer);
    void removeObserver(ReportObserver* observer);

    // Columns and headers.
    void insertColumn(int column, std::u16string header, int widthPixels);
    int columnCount() const;
    std::u16string headerText(int column) const;
    int columnWidth(int column) const;
    bool setColumnHeaderText(int column, std::u16string text);

    // Rows. Every insertion and every cell text change resets the sort state.
    int insertRow(int position, std::u16string column0Text); // position or -1
    int rowCount() const;
    bool setCellText(int row, int column, std::u16string text);
    std::u16string cellText(int row, int column) const;
    const ReportCell* cell(int row, int column) const;
    bool attachDevice(int row, _DEVICERECORD* device);
    _DEVICERECORD* deviceOfRow(int row) const;
    int deleteAllRows(); // returns the former row count

    // Colours: a column outside the row's columns colours every column; a row
    // outside 0..n-1 colours every row.
    void setTextColour(int row, int column, Colour colour);
    void setBackgroundColour(int row, int column, Colour colour);

    // Ticks.
    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    void tickAll(bool ticked);
    void invertTicks();
    int tickedCount() const;

    // Selection and focus.
    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    void selectOnly(int row); // clears every other selection; focuses the row
    int focusedRow() const;   // -1 when no row has the focus

    // A mouse click on a row's check box (left, right or middle button press or
    // double click). Refused while `running` is set; otherwise toggles the tick
    // and, when the tick changed, makes the row the only selected and focused row.
    // Returns whether the tick changed.
    bool clickCheckBox(int row, bool running);
    // The space bar never toggles a tick: the key is swallowed.
    static constexpr int kSpaceKey = 0x20;
    bool keySwallowed(int key) const;

    // Sorting.
    void setSortable(bool sortable);
    bool sortable() const;
    int sortColumn() const;
    bool sortAscending() const;
    void clickHeader(int column); // sorts when sortable: same column reverses, another ascends
    void sort(int column, bool ascending);

    // The comparison of two cell texts: hexadecimal, then number (optionally
    // with one "%"), then date, then UTF-16 code units.
    static int compareCells(const std::u16string& a, const std::u16string& b);

private:
    struct Row
    {
        std::vector<ReportCell> cells; // one per column
        _DEVICERECORD* device = nullptr;
        bool ticked = false; // state image 2 when set, else 1
        bool selected = false;
        bool focused = false;
    };
    struct Column
    {
        std::u16string header;
        int widthPixels = 0;
    };

    bool validRow(int row) const;
    void resetSortState();
    void notifyTick(int row, int oldState, int newState);
    void notifyRow(int row);
    void notifyLayout();
    // Orders positions first..last of `order` by column `column` (quicksort,
    // middle pivot; recursion on the left part, iteration on the right).
    void quickSort(std::vector<int>& order, int first, int last, int column, bool ascending) const;
    int compareRows(int a, int b, int column, bool ascending) const;

    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    std::vector<ReportObserver*> m_observers;
    bool m_sortable = false;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
};

} // namespace vexlo
