#include "UsageWindow.h"

#include "UsagePainter.h"
#include "WindowStacking.h"

#include "platform/qt/X11WindowHints.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <QToolTip>
#include <QWindow>

#include <algorithm>

namespace {

constexpr int Margin = 10;
constexpr int Spacing = 4;
constexpr int PanelWidth = 220;
constexpr int ChartHeight = 190;
constexpr int ShareBarHeight = 14;

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment, bool bold)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    if (bold) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

} // namespace

TUsageWindow::TUsageWindow(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName("UsageWindow");
    setWindowTitle("Quorvel - Usage");
    // Closing it while the main window sits in the tray must not end the program; closing only hides it,
    // and the menu shows the same window again.
    setAttribute(Qt::WA_QuitOnClose, false);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);

    Caption = AddLabel("Caption", true);
    PeriodTitle = AddLabel("PeriodTitle", true);
    PeriodTitle->setText("Current billing period");
    PeriodDates = AddLabel("PeriodDates", false);
    PeriodTotal = AddLabel("PeriodTotal", false);
    CapLabel = AddLabel("CapLabel", false);
    ShareLabel = AddLabel("ShareLabel", false);

    Periods = new QTableWidget(0, 4, this);
    Periods->setObjectName("Periods");
    Periods->setHorizontalHeaderLabels({"Period", "Received", "Sent", "Total"});
    Periods->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Periods->setSelectionBehavior(QAbstractItemView::SelectRows);
    Periods->setAlternatingRowColors(true);
    Periods->setWordWrap(false);
    Periods->verticalHeader()->hide();
    Periods->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Periods->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    Periods->verticalHeader()->setDefaultSectionSize(Periods->fontMetrics().height() + 8);

    setMinimumSize(560, 400);
    Arrange();
    // Tall enough for every period without scrolling.
    const int rows = Periods->horizontalHeader()->sizeHint().height() +
                     TUsageView::PeriodCount * Periods->verticalHeader()->defaultSectionSize() +
                     2 * Periods->frameWidth();
    resize(680, Periods->y() + rows + Margin);
}

QLabel* TUsageWindow::AddLabel(const char* name, bool bold)
{
    auto* label = new QLabel(this);
    label->setObjectName(name);
    // Adapter names come from the system and may hold anything; none of them is markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

void TUsageWindow::Show(const TUsageView& view)
{
    SetView(view);
    show();
    RaiseWhereStacked(this);
    activateWindow();
}

void TUsageWindow::SetView(const TUsageView& view)
{
    Shown = view;
    Caption->setText(Shown.Caption);
    PeriodDates->setText(UsageView::PeriodText(Shown.Current.Period));
    PeriodTotal->setText("Total: " + UsageView::Amount(UsageView::Total(Shown.Current.Figures), Shown.Units));
    CapLabel->setText(UsageView::CapText(Shown));
    ShareLabel->setText(UsageView::ShareText(Shown));
    ShareLabel->setVisible(!ShareLabel->text().isEmpty());
    FillTable();
    Arrange();
    update();
}

void TUsageWindow::FillTable()
{
    Periods->setRowCount(static_cast<int>(Shown.Periods.size()));
    for (int row = 0; row < Periods->rowCount(); ++row) {
        const TUsagePeriod& period = Shown.Periods[static_cast<std::size_t>(row)];
        const bool current = period.Period == Shown.Current.Period;
        const TUsageFigures& figures = period.Figures;
        Periods->setItem(row, 0, Cell(UsageView::PeriodText(period.Period), Qt::AlignLeft, current));
        // Amounts to the right, so that their digits line up.
        const int64_t amounts[] = {figures.Received, figures.Sent, UsageView::Total(figures)};
        for (int column = 1; column <= 3; ++column)
            Periods->setItem(row, column,
                             Cell(UsageView::Amount(amounts[column - 1], Shown.Units), Qt::AlignRight, current));
    }
}

TUsagePainter TUsageWindow::Painter() const { return TUsagePainter(Shown, palette(), fontMetrics(), ChartBox); }

QRect TUsageWindow::ChartPlot() const { return Painter().Plot(); }

QRect TUsageWindow::DaySlot(int day) const { return Painter().Slot(day); }

void TUsageWindow::Arrange()
{
    // A line of the caption's font whatever its text, so that nothing below moves with the adapter.
    Caption->setGeometry(Margin, Margin, width() - 2 * Margin, Caption->fontMetrics().height());
    const int top = Caption->geometry().bottom() + 1 + Spacing;
    ChartBox = QRect(Margin, top, width() - 3 * Margin - PanelWidth, ChartHeight);

    const int left = ChartBox.right() + 1 + Margin;
    int y = top;
    for (QLabel* label : {PeriodTitle, PeriodDates, PeriodTotal, CapLabel}) {
        const int height = label->heightForWidth(PanelWidth);
        label->setGeometry(left, y, PanelWidth, height);
        y += height + Spacing;
    }
    ShareArea = {};
    if (Shown.Billing.DataCap > 0) {
        ShareArea = QRect(left, y + Spacing, PanelWidth, ShareBarHeight);
        y = ShareArea.bottom() + 1 + Spacing;
    }
    const int shareHeight = ShareLabel->heightForWidth(PanelWidth);
    ShareLabel->setGeometry(left, y, PanelWidth, shareHeight);
    y += shareHeight;

    const int tableTop = std::max(ChartBox.bottom() + 1, y) + Margin;
    Periods->setGeometry(Margin, tableTop, width() - 2 * Margin, std::max(height() - tableTop - Margin, 0));
}

bool TUsageWindow::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const TUsagePainter painter = Painter();
    const int day = painter.DayAt(help->pos());
    if (day < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The tip stays while the pointer is over the same day's column and follows it to the next one.
    QToolTip::showText(help->globalPos(), UsageView::DayTip(Shown.Days[static_cast<std::size_t>(day)], Shown.Units),
                       this, painter.Slot(day));
    return true;
}

void TUsageWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A new desktop theme: the chart takes its colours from the palette at each paint.
    if (event->type() == QEvent::PaletteChange) update();
    // Other texts' heights, other places for everything below them.
    if (event->type() == QEvent::FontChange) Arrange();
}

void TUsageWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const TUsagePainter usage = Painter();
    usage.DrawChart(painter);
    usage.DrawShare(painter, ShareArea);
}

void TUsageWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Arrange();
}

void TUsageWindow::showEvent(QShowEvent* event)
{
    // Before the window is mapped: the window manager reads the initial state then.
    if (QWindow* handle = windowHandle()) X11WindowHints::KeepOffTaskbar(*handle, X11WindowHints::TDesktops::Current);
    QWidget::showEvent(event);
}
