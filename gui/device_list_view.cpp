#include "gui/device_list_view.h"

#include "gui/device_list_model.h"
#include "gui/virtual_keys.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace vexlo {

DeviceListView::DeviceListView(DeviceListModel& model, QWidget* parent)
    : QTableView(parent), m_model(model), m_list(model.list())
{
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false); // the list sorts itself; the header only reports clicks
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (m_headerClick)
            m_headerClick(column);
        userActed();
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // Keyboard navigation moves the list's selection with the view's.
                if (!m_showingSelection && current.isValid())
                    m_list.selectOnly(current.row());
            });
    // A reset (rows added or removed, columns inserted) forgets the section sizes.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        showListSelection();
    });
    refresh();
}

void DeviceListView::refresh()
{
    m_model.refresh();
    applyColumnWidths();
    showListSelection();
}

void DeviceListView::applyColumnWidths()
{
    for (int column = 0; column < m_list.columnCount(); ++column)
        setColumnWidth(column, m_list.columnWidth(column));
}

void DeviceListView::showListSelection()
{
    m_showingSelection = true;
    QItemSelection selection;
    const int columns = m_model.columnCount();
    for (int row = 0; row < m_model.rowCount() && columns > 0; ++row) {
        if (m_list.isSelected(row))
            selection.select(m_model.index(row, 0), m_model.index(row, columns - 1));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const int focused = m_list.focusedRow();
    if (focused >= 0 && focused < m_model.rowCount())
        selectionModel()->setCurrentIndex(m_model.index(focused, 0), QItemSelectionModel::NoUpdate);
    m_showingSelection = false;
}

void DeviceListView::userActed()
{
    refresh();
    if (m_afterUserAction)
        m_afterUserAction();
}

QRect DeviceListView::checkBoxRect(int row)
{
    const QModelIndex index = m_model.index(row, 0);
    if (!index.isValid())
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.index = index;
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.checkState = m_list.isTicked(row) ? Qt::Checked : Qt::Unchecked;
    option.text = index.data(Qt::DisplayRole).toString();
    option.displayAlignment = Qt::AlignCenter;
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

bool DeviceListView::isOnCheckBox(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    return index.isValid() && index.column() == 0 && checkBoxRect(index.row()).contains(position);
}

bool DeviceListView::handleCheckBoxPress(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton && button != Qt::MiddleButton)
        return false;
    const QPoint position = event->position().toPoint();
    if (!isOnCheckBox(position))
        return false;
    const QModelIndex index = indexAt(position);
    if (m_checkBoxClick)
        m_checkBoxClick(index.row());
    else
        m_list.clickCheckBox(index.row(), false);
    return true;
}

void DeviceListView::mousePressEvent(QMouseEvent* event)
{
    if (handleCheckBoxPress(event)) {
        event->accept();
        userActed();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        m_list.selectOnly(index.row());
    QTableView::mousePressEvent(event);
    userActed();
}

void DeviceListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click on the check box is one more click on it; a left double
    // click on any valid row also opens that row's device.
    const bool onCheckBox = handleCheckBoxPress(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!onCheckBox && index.isValid())
        m_list.selectOnly(index.row());
    event->accept();
    userActed();
    if (event->button() == Qt::LeftButton && index.isValid() && m_doubleClick) {
        m_doubleClick(index.row());
        userActed();
    }
}

void DeviceListView::keyPressEvent(QKeyEvent* event)
{
    if (m_list.keySwallowed(virtualKeyOf(event->key()))) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DeviceListView::keyReleaseEvent(QKeyEvent* event)
{
    if (m_list.keySwallowed(virtualKeyOf(event->key()))) {
        event->accept();
        return;
    }
    QTableView::keyReleaseEvent(event);
}

} // namespace vexlo
