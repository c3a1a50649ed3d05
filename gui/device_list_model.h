#pragma once

#include "devices/report_ctrl.h"

#include <QAbstractTableModel>

// The device list (CReportCtrl) as a Qt table model: it only reads the list.
// Column 0 carries the row's tick; every cell its own text colour and
// background colour; every cell is centred. Ticks are never set through the
// model: the view turns check-box clicks into the main window's handler. The
// list must outlive the model.
namespace vexlo {

QColor toQColor(Colour colour);

// It observes the list, so every change is drawn as it happens.
class DeviceListModel : public QAbstractTableModel, private ReportObserver
{
public:
    explicit DeviceListModel(CReportCtrl& list, QObject* parent = nullptr);
    ~DeviceListModel() override;

    CReportCtrl& list() { return m_list; }

    // Draws what the list holds now: new columns reset the model, a new row
    // count inserts or removes rows at the end, and every cell and header is
    // redrawn in place.
    void refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    // ReportObserver
    void tickChanged(int row, int oldState, int newState) override;
    void rowChanged(int row) override;
    void layoutChanged() override;
    void redrawRow(int row);

    CReportCtrl& m_list;
    int m_shownRows = 0;
    int m_shownColumns = 0;
};

} // namespace vexlo
