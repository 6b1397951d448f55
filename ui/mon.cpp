#include "mon.h"

#include "DragToMove.h"
#include "GlyphLabel.h"
#include "WindowStacking.h"

#include "platform/qt/X11WindowHints.h"

#include "trend/Trend.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>

namespace {

constexpr int ClientWidth = 115;
constexpr int ClientHeight = 34;
constexpr int Opaque = 255;
const QColor Light(193, 193, 193);
const QColor Dark(129, 129, 129);

// One ring of the etched frame, inset from the picture's edge: top and left in one colour, right and
// bottom in the other, which also takes the two corners where they meet.
void DrawRing(QImage& picture, int inset, const QColor& topLeft, const QColor& bottomRight)
{
    const int left = inset;
    const int top = inset;
    const int right = picture.width() - 1 - inset;
    const int bottom = picture.height() - 1 - inset;
    for (int x = left; x < right; ++x)
        picture.setPixelColor(x, top, topLeft);
    for (int y = top; y < bottom; ++y)
        picture.setPixelColor(left, y, topLeft);
    for (int y = top; y <= bottom; ++y)
        picture.setPixelColor(right, y, bottomRight);
    for (int x = left; x <= right; ++x)
        picture.setPixelColor(x, bottom, bottomRight);
}

} // namespace

TMonForm::TMonForm(TMonFormLinks links) : Links(links)
{
    setObjectName("MonForm");
    setWindowTitle("Quorvel - Monitor");
    // A tool window has no taskbar entry; the window never takes the focus from the one the user works in.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Hiding the monitor while the main window sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setMinimumSize(5, 5);
    resize(ClientWidth, ClientHeight);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Image = new QLabel(this);
    Image->setObjectName("Image");
    Image->setGeometry(rect());
    Image->setScaledContents(true);
    Image->setPixmap(QPixmap::fromImage(BackgroundPicture()));

    LabelSent = AddLabel("LabelSent", QRect(3, 2, 30, 10), Qt::AlignLeft, QColor(255, 0, 0), "888888");
    LabelDuration = AddLabel("LabelDuration", QRect(40, 2, 34, 10), Qt::AlignHCenter, QColor(255, 255, 0), "88:88:88");
    LabelReceived = AddLabel("LabelReceived", QRect(81, 2, 30, 10), Qt::AlignRight, QColor(0, 255, 0), "888888");
    BuildTrend();
}

QLabel* TMonForm::AddLabel(const char* name, const QRect& geometry, Qt::Alignment alignment, const QColor& color,
                           const QString& designText)
{
    auto* label = new TGlyphLabel(designText, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    // Nothing in this window is laid out. A label of fixed size does not ask its parent for a new layout
    // when its text changes, which would otherwise cost a posted event (and a wake-up) every second.
    label->setFixedSize(geometry.size());
    label->setAlignment(alignment | Qt::AlignTop);
    QFont small("Small Fonts");
    small.setPixelSize(8);
    label->setFont(small);
    QPalette textColor = label->palette();
    textColor.setColor(QPalette::WindowText, color);
    label->setPalette(textColor);
    return label;
}

void TMonForm::BuildTrend()
{
    Trend = new TTrend(this);
    Trend->setObjectName("Trend");
    Trend->setGeometry(3, 11, 109, 20);
    Trend->setCursor(Qt::PointingHandCursor);
    Trend->SetBorderWidth(0);
    Trend->SetColor(Qt::black);
    Trend->SetMinVal(0);
    Trend->SetMaxVal(100);
    Trend->SetDivisions(109);
    Trend->SetOptions(toTwin);
    Trend->SetStyle(tsBar);
    TrendDrag = new TDragToMove(*Trend);
    connect(Trend, &TTrend::DoubleClicked, this, &TMonForm::TrendDblClick);
}

QImage TMonForm::BackgroundPicture()
{
    QImage picture(ClientWidth, ClientHeight, QImage::Format_RGB888);
    picture.fill(Qt::black);
    DrawRing(picture, 1, Light, Dark);
    DrawRing(picture, 2, Dark, Light);
    return picture;
}

void TMonForm::FormCreate()
{
    RaiseWhereStacked(this);
    if (Links.MainTrend) {
        Trend->SetColorDataA(Links.MainTrend->ColorDataA());
        Trend->SetColorDataB(Links.MainTrend->ColorDataB());
    }
    Trend->ClearDataA();
    Trend->ClearDataB();
    for (QLabel* label : {LabelSent, LabelReceived, LabelDuration})
        label->clear();
    move(Links.Placement.Left, Links.Placement.Top);
    Alpha = Links.Placement.Alpha;
    ApplyTransparency();
    if (Links.MenuShowMonitor->isChecked() && !Links.MenuHideMonitor->isChecked()) show();
    if (Links.MainWindow) RaiseWhereStacked(Links.MainWindow);
}

void TMonForm::ApplyTransparency()
{
    // Without a compositor the window system keeps the window opaque; Qt then only records the level.
    const int level = Links.MenuTransparent->isChecked() ? (Alpha & 0xFF) : Opaque;
    setWindowOpacity(level / double(Opaque));
}

void TMonForm::RestartTrend(int64_t maxVal, int64_t minVal)
{
    Trend->SetMaxVal(maxVal);
    Trend->SetMinVal(minVal);
    Trend->ClearDataA();
    Trend->ClearDataB();
}

void TMonForm::ShowSample(int64_t downRate, int64_t upRate, const QString& duration)
{
    Trend->AddDataA(downRate);
    Trend->AddDataB(upRate);
    // A label given its current text again does not repaint, so a quiet second costs no drawing here.
    LabelReceived->setText(RateText(downRate));
    LabelSent->setText(RateText(upRate));
    LabelDuration->setText(duration);
}

// Once a second: only a shown window is worth the request.
void TMonForm::KeepOnTop()
{
    if (isVisible()) RaiseWhereStacked(this);
}

QString TMonForm::RateText(int64_t rate) { return rate > 0 ? QString::number(rate) : QString(); }

void TMonForm::contextMenuEvent(QContextMenuEvent* event)
{
    if (Links.PopupMenu) Links.PopupMenu->popup(event->globalPos());
}

void TMonForm::SetMoveStarter(TMoveStarter starter) { TrendDrag->SetMoveStarter(std::move(starter)); }

// Sent before the window is mapped, which is when the window manager reads a window's initial state: the
// monitor is a gauge, not a task, and stays with the user on every virtual desktop.
void TMonForm::showEvent(QShowEvent* event)
{
    if (QWindow* handle = windowHandle()) X11WindowHints::KeepOffTaskbar(*handle, X11WindowHints::TDesktops::All);
    QWidget::showEvent(event);
}
