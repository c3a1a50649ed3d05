#include "gui/settings_page_view.h"

#include "gui/control_binder.h"
#include "gui/warning_block_widget.h"
#include "settings/page_layout.h"
#include "settings/settings_page.h"
#include "settings/warning_motion_dlg.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vexlo {
namespace {

constexpr int kControlWidth = 150;
constexpr int kWideControlWidth = 300; // text edits alone on their line
constexpr int kGridCellWidth = 96;
constexpr int kWidestList = 360;
constexpr std::size_t kLinesPerColumn = 12;

// The view's own labels (captions, heads, units), in the page's language.
QLabel* caption(const PageText& text, int language, QWidget* parent)
{
    return new QLabel(QString::fromStdU16String(std::u16string(textOf(text, language))), parent);
}

// A control, followed by its unit when it has one.
void addControl(QGridLayout* grid, int row, int column, QWidget* control, const PageText& unit,
                int language, QWidget* parent)
{
    if (unit.chinese.empty()) {
        grid->addWidget(control, row, column);
        return;
    }
    auto* box = new QHBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(control);
    box->addWidget(caption(unit, language, parent));
    grid->addLayout(box, row, column);
}

bool isWideAlone(const PageLine& line)
{
    const ControlKind kind = line.rows.front()->kind;
    return line.rows.size() == 1 &&
           (kind == ControlKind::Edit || kind == ControlKind::PasswordEdit) &&
           line.rows.front()->rule == StoreRule::Text;
}

// Edits of free text get room; a list alone on its line grows to show its
// longest item (the time zones), up to what the page has beside the captions.
int controlWidth(const PageLine& line, const QWidget* widget)
{
    if (isWideAlone(line))
        return kWideControlWidth;
    if (line.rows.size() == 1 && line.rows.front()->kind == ControlKind::ComboBox)
        return std::clamp(widget->sizeHint().width(), kControlWidth, kWidestList);
    return kControlWidth;
}

QGridLayout* formLayout(const PageBlock& block, ControlBinder& binder, int language,
                        QWidget* parent)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    int firstRow = 0;
    if (!block.columnHeads.empty()) {
        for (std::size_t c = 0; c < block.columnHeads.size(); ++c)
            grid->addWidget(caption(block.columnHeads[c], language, parent), 0,
                            static_cast<int>(c) + 1);
        firstRow = 1;
    }
    // A long form (the capture page) continues in a second column of lines
    // instead of being squeezed to fit the page's height.
    const std::size_t lineCount = block.lines.size();
    const bool twoColumns = block.columnHeads.empty() && lineCount > kLinesPerColumn;
    const std::size_t perColumn = twoColumns ? (lineCount + 1) / 2 : lineCount;
    for (std::size_t i = 0; i < lineCount; ++i) {
        const PageLine& line = block.lines[i];
        const int row = firstRow + static_cast<int>(i % perColumn);
        int column = static_cast<int>(i / perColumn) * 3; // caption, control, gap
        grid->addWidget(caption(line.caption, language, parent), row, column++);
        for (const ControlRow* control : line.rows) {
            QWidget* widget = binder.widget(control->id);
            widget->setFixedWidth(controlWidth(line, widget));
            addControl(grid, row, column++, widget, control->unit, language, parent);
        }
    }
    if (twoColumns)
        grid->setColumnMinimumWidth(2, 24);
    grid->setColumnStretch(grid->columnCount(), 1);
    return grid;
}

QGridLayout* gridLayout(const PageBlock& block, ControlBinder& binder, int language,
                        QWidget* parent)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    for (std::size_t c = 0; c < block.columnHeads.size(); ++c) {
        QLabel* head = caption(block.columnHeads[c], language, parent);
        head->setAlignment(Qt::AlignCenter);
        head->setWordWrap(true);
        grid->addWidget(head, 0, static_cast<int>(c) + 1);
    }
    for (std::size_t r = 0; r < block.lines.size(); ++r) {
        const int row = static_cast<int>(r) + 1;
        if (r < block.rowHeads.size())
            grid->addWidget(caption(block.rowHeads[r], language, parent), row, 0);
        int column = 1;
        for (const ControlRow* control : block.lines[r].rows) {
            QWidget* widget = binder.widget(control->id);
            widget->setFixedWidth(kGridCellWidth);
            grid->addWidget(widget, row, column++);
        }
    }
    grid->setColumnStretch(grid->columnCount(), 1);
    return grid;
}

// The schedule in two columns: the first half of its lines left, the rest right.
QGridLayout* scheduleLayout(const PageBlock& block, ControlBinder& binder, int language,
                            QWidget* parent)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    const std::size_t leftLines = (block.lines.size() + 1) / 2;
    for (std::size_t i = 0; i < block.lines.size(); ++i) {
        const int row = static_cast<int>(i < leftLines ? i : i - leftLines);
        int column = i < leftLines ? 0 : 5;
        const PageLine& line = block.lines[i];
        for (std::size_t k = 0; k < line.rows.size(); ++k) {
            if (k == 2)
                grid->addWidget(caption(PageText{u"---"}, language, parent), row, column++);
            grid->addWidget(binder.widget(line.rows[k]->id), row, column++);
        }
    }
    grid->setColumnMinimumWidth(4, 24);
    grid->setColumnStretch(grid->columnCount(), 1);
    return grid;
}

} // namespace

SettingsPageView::SettingsPageView(SettingsPage& page, bool grid, QWidget* parent)
    : QWidget(parent), m_page(page)
{
    m_binder = new ControlBinder(m_page.model(), this);
    buildLayout(grid);
}

SettingsPageView::~SettingsPageView() = default;

void SettingsPageView::buildLayout(bool grid)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 16, 12);
    layout->setSpacing(10);

    // The motion page keeps its grid's corner free: the blocks above the
    // schedule stay left of x 370 and reach below the grid.
    QVBoxLayout* upper = layout;
    if (grid) {
        auto* top = new QHBoxLayout;
        upper = new QVBoxLayout;
        upper->setSpacing(10);
        top->addLayout(upper);
        top->addStretch(1);
        auto* reserved = new QWidget(this);
        reserved->setFixedSize(WarningBlock::kWidth + 16,
                               WarningBlock::kTop + WarningBlock::kHeight);
        top->addWidget(reserved, 0, Qt::AlignTop);
        layout->addLayout(top);
    }

    const int language = m_page.language();
    for (const PageBlock& block : arrangePage(m_page.definition())) {
        switch (block.kind) {
        case PageBlockKind::Enable:
            upper->addWidget(m_binder->widget(block.lines.front().rows.front()->id));
            break;
        case PageBlockKind::Form:
            upper->addLayout(formLayout(block, *m_binder, language, this));
            break;
        case PageBlockKind::Grid: {
            auto* frame = new QFrame(this);
            frame->setFrameShape(QFrame::StyledPanel);
            frame->setLayout(gridLayout(block, *m_binder, language, frame));
            upper->addWidget(frame);
            break;
        }
        case PageBlockKind::Schedule:
            if (upper != layout)
                upper->addStretch(1);
            upper = layout;
            layout->addLayout(scheduleLayout(block, *m_binder, language, this));
            break;
        case PageBlockKind::Save: {
            layout->addStretch(1);
            auto* buttons = new QHBoxLayout;
            buttons->addStretch(1);
            for (const PageLine& line : block.lines) {
                auto* button = m_binder->widgetAs<QPushButton>(line.rows.front()->id);
                button->setMinimumWidth(80);
                // Return in an edit must not press Save: only a click saves.
                button->setAutoDefault(false);
                buttons->addWidget(button);
            }
            layout->addLayout(buttons);
            break;
        }
        }
    }

    if (grid) {
        auto& motion = static_cast<CWarningMotionDlg&>(m_page);
        m_gridWidget = new WarningBlockWidget(motion.grid(), this);
        m_gridWidget->move(WarningBlock::kLeft, WarningBlock::kTop);
        m_gridWidget->raise();
    }
}

} // namespace vexlo
