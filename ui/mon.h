#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QMouseEvent;
class QWindow;
class TDragToMove;
class TTrend;

// Where the monitor window appears and the opacity level it keeps, as the program has stored them.
struct TMonPlacement {
    int32_t Top = 0;
    int32_t Left = 0;
    int32_t Alpha = 0;
};

// What the program hands the monitor window. It reads the three check marks, opens the menu, copies the
// colours of the main graph and raises the main window; it knows nothing else about that window.
struct TMonFormLinks {
    TMonPlacement Placement;
    QMenu* PopupMenu = nullptr;
    const QAction* MenuShowMonitor = nullptr;
    const QAction* MenuHideMonitor = nullptr;
    const QAction* MenuTransparent = nullptr;
    const TTrend* MainTrend = nullptr;
    QWidget* MainWindow = nullptr;
};

// The small borderless window floating above all others with the current rates, the connection's
// duration and a twin graph of the two rates. It only displays what the poll cycle writes into it.
class TMonForm : public QWidget {
    Q_OBJECT
public:
    // Starts a system move of the window; false where the window system cannot (or there is no window).
    using TMoveStarter = std::function<bool(QWindow*)>;

    explicit TMonForm(TMonFormLinks links);

    // Runs once, after the main window has been created: colours, empty displays, the placement, and the
    // first show when the options ask for it.
    void FormCreate();
    // The opacity level while "Transparent Monitor" is checked, opaque otherwise.
    void ApplyTransparency();
    // The stored opacity level; only its low 8 bits reach the window system.
    int32_t MonAlpha() const { return Alpha; }

    // An online transition: the graph gets the new bounds and starts empty.
    void RestartTrend(int64_t maxVal, int64_t minVal);
    // One sample of the running connection: rates in bytes per second, the duration as text.
    void ShowSample(int64_t downRate, int64_t upRate, const QString& duration);
    // Above the other topmost windows again, without taking the focus, moving or resizing.
    void KeepOnTop();

    // A rate as the monitor shows it: plain decimal digits, nothing at all when there is no traffic.
    static QString RateText(int64_t rate);
    // The 115 x 34 background: black with an etched frame inside a 1-pixel black edge.
    static QImage BackgroundPicture();

    void SetMoveStarter(TMoveStarter starter);

    QLabel* Image = nullptr;
    QLabel* LabelSent = nullptr;
    QLabel* LabelDuration = nullptr;
    QLabel* LabelReceived = nullptr;
    TTrend* Trend = nullptr;

signals:
    // A double click on the graph: the program runs its "Show Monitor..." command for it.
    void TrendDblClick();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* AddLabel(const char* name, const QRect& geometry, Qt::Alignment alignment, const QColor& color,
                     const QString& designText);
    void BuildTrend();

    TMonFormLinks Links;
    TDragToMove* TrendDrag = nullptr;
    int32_t Alpha = 120;
};
