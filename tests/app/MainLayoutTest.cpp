#include "app/BevelPanel.h"
#include "app/Formatting.h"
#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"
#include "trend/Trend.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

class MainLayout : public testing::Test {
protected:
    TTestPlatform Platform;
    TMainForm Form{Platform.Services()};

    void ConnectAnAdapter()
    {
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "Realtek PCIe GbE Family Controller";
        adapter.Name = "enp3s0";
        adapter.Ips = {"192.168.1.20"};
        Platform.IpHelper.Adapters = {adapter};
        Platform.IpHelper.Row.dwType = MIB_IF_TYPE_ETHERNET;
        Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
    }
    static QImage Render(QWidget* widget)
    {
        QImage image(widget->size(), QImage::Format_RGB32);
        image.fill(Qt::magenta); // shows what a paint leaves out
        widget->render(&image);
        return image;
    }
    // The first and last row with text ink in the given columns.
    static std::pair<int, int> InkRows(const QImage& image, int left, int right)
    {
        int first = image.height(), last = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = left; x <= right; ++x)
                if (qGray(image.pixel(x, y)) < 100) {
                    first = std::min(first, y);
                    last = std::max(last, y);
                }
        return {first, last};
    }
    static void DoubleClick(QWidget* widget, Qt::MouseButton button)
    {
        const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
        QMouseEvent event(QEvent::MouseButtonDblClick, inside, widget->mapToGlobal(inside), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
};

// Counts the events a widget receives, by type.
class TEventCounter : public QObject {
public:
    explicit TEventCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count(QEvent::Type type) const { return Counts.value(type); }
    void Reset() { Counts.clear(); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        ++Counts[event->type()];
        return false;
    }

private:
    QHash<QEvent::Type, int> Counts;
};

// Processes events until the condition holds, for at most 10 seconds.
bool WaitFor(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

TEST_F(MainLayout, WindowIsAFixedSizeQuorvelWindowWithoutMaximiseBox)
{
    EXPECT_EQ(Form.windowTitle(), "Quorvel");
    EXPECT_EQ(Form.size(), QSize(528, 354));
    EXPECT_EQ(Form.minimumSize(), Form.maximumSize());
    EXPECT_FALSE(Form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(Form.backgroundRole(), QPalette::Button);
    EXPECT_EQ(Form.pos(), QPoint(215, 150));
}

TEST_F(MainLayout, LongValuesGrowToTheLeftAndKeepTheirRightEdge)
{
    Form.LabelConn->SetCaption("Intel(R) Ethernet Con...");
    EXPECT_EQ(Form.LabelConn->x() + Form.LabelConn->width(), 225);
    const int longLeft = Form.LabelConn->x();
    Form.LabelConn->SetCaption("eth0");
    EXPECT_EQ(Form.LabelConn->x() + Form.LabelConn->width(), 225);
    EXPECT_GT(Form.LabelConn->x(), longLeft);
    Form.LabelConn->SetCaption("");
    EXPECT_EQ(Form.LabelConn->x(), 225);
}

// Text drawn the plain way, right-aligned in its rectangle: what a value label must look like.
class TDrawnText : public QWidget {
public:
    TDrawnText(const QString& text, QWidget* parent) : QWidget(parent), Text(text) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, Text);
    }

private:
    QString Text;
};

TEST_F(MainLayout, ValueTextsLookLikePlainRightAlignedTextOfTheirWidth)
{
    const QStringList texts{"0",          "1",
                            "00:00:01",   "12:34:56",
                            "1,234,567",  "999,999,999,999",
                            "10.203.0.1", "Intel(R) Ethernet Con...",
                            "bytes/s",    "Wi-Fi jq"};
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        Form.LabelLastConn->SetCaption(text);
        const QFontMetrics metrics(Form.LabelLastConn->font());
        EXPECT_EQ(Form.LabelLastConn->width(), metrics.horizontalAdvance(text));
        TDrawnText reference(text, Form.GroupBox1);
        reference.setGeometry(Form.LabelLastConn->geometry());
        EXPECT_TRUE(reference.grab().toImage() == Form.LabelLastConn->grab().toImage());
    }
}

// The caption on a value's row: the plain label that starts the row.
QLabel* CaptionOf(const TValueLabel* value)
{
    for (QLabel* label : value->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->y() == value->y()) return label;
    return nullptr;
}

// Where the label's text is painted in its group: right-aligned in the label, as wide as the text is in the
// font it is drawn in.
QRectF PaintedText(const TValueLabel* value)
{
    const qreal width = QFontMetricsF(value->TextFont()).horizontalAdvance(value->text());
    const QRectF label = QRectF(value->geometry());
    return QRectF(label.right() + 1 - width, label.top(), width, label.height());
}

// Dark pixels of the rendered group in the columns from left to right (both included) of the label's row.
int InkBetween(const QImage& group, const TValueLabel* value, int left, int right)
{
    int ink = 0;
    for (int y = value->y(); y < value->y() + value->height(); ++y)
        for (int x = std::max(left, 0); x <= std::min(right, group.width() - 1); ++x)
            if (qGray(group.pixel(x, y)) < 100) ++ink;
    return ink;
}

TEST_F(MainLayout, AtTheLargestValuesEveryFigureStaysInItsGroupASpaceRightOfItsCaption)
{
    constexpr int64_t largest = std::numeric_limits<int64_t>::max();
    for (const char* name :
         {"LastSpeed", "LastSent", "LastRecv", "LastDuration", "TotalSent", "TotalRecv", "TotalDuration"})
        Form.MyReg.WriteInt64Value("Stats", name, largest);
    ConnectAnAdapter();
    Platform.IpHelper.Row.dwSpeed = largest;
    Form.FormCreate();
    Form.TimerStatus->stop(); // the test makes the ticks
    Form.TimerStatusTimer();
    // A suspend's gap is counted without a rate; the next millisecond then carries the largest rate the
    // counters allow and takes both counts to the largest.
    Platform.Clock.Tick = largest - 1;
    Platform.IpHelper.Row.dwOutOctets = Platform.IpHelper.Row.dwInOctets = largest - largest / 1000;
    Form.TimerStatusTimer();
    Platform.Clock.Tick = largest;
    Platform.IpHelper.Row.dwOutOctets = Platform.IpHelper.Row.dwInOctets = largest;
    Form.TimerStatusTimer();
    ASSERT_EQ(Form.LabelSent->Caption(), Formatting::LongestCountText());
    ASSERT_EQ(Form.LabelDownSpeed->Caption().size(), Formatting::LongestCountText().size());
    ASSERT_EQ(Form.LabelTotalDuration->Caption(), Formatting::LongestDurationText());
    ASSERT_EQ(Form.LabelLastRecv->Caption(), Formatting::LongestCountText());

    for (TValueLabel* figure :
         {Form.LabelSpeed, Form.LabelSent, Form.LabelRecv, Form.LabelDuration, Form.LabelUpSpeed, Form.LabelDownSpeed,
          Form.LabelLastSpeed, Form.LabelLastSent, Form.LabelLastRecv, Form.LabelLastDuration, Form.LabelTotalSent,
          Form.LabelTotalRecv, Form.LabelTotalDuration}) {
        SCOPED_TRACE(figure->objectName().toStdString());
        QWidget* group = figure->parentWidget();
        const QLabel* caption = CaptionOf(figure);
        ASSERT_NE(caption, nullptr);
        const QFontMetricsF captionMetrics(caption->font());
        const qreal captionRight = caption->x() + captionMetrics.horizontalAdvance(caption->text());
        const QRectF text = PaintedText(figure);
        EXPECT_GE(text.left(), figure->x() - 0.5) << "the text is cut at the label's left edge";
        EXPECT_GE(text.left(), captionRight + captionMetrics.horizontalAdvance(' '))
            << figure->text().toStdString() << " in " << figure->TextFont().pixelSize() << " px from " << text.left()
            << ", caption to " << captionRight;
        EXPECT_LE(text.right(), group->width() - 2) << "inside the group's frame";
        if (const auto* unit = group->findChild<TValueLabel*>("Unit" + figure->objectName())) {
            EXPECT_LE(text.right(), unit->x()) << "left of its unit";
        }
        const QImage picture = Render(group);
        EXPECT_EQ(InkBetween(picture, figure, qCeil(captionRight), qFloor(text.left()) - 1), 0)
            << "the gap between caption and figure stays clear";
        EXPECT_GT(InkBetween(picture, figure, qFloor(text.left()), qCeil(text.right())), 0) << "the figure is drawn";
    }
}

TEST_F(MainLayout, OnlyAFigureTooLongForItsRowIsDrawnSmallerAndOnTheSameBaseline)
{
    const QFont normal = Form.LabelTotalRecv->font();
    Form.LabelTotalRecv->SetCaption("1234567");
    EXPECT_EQ(Form.LabelTotalRecv->TextFont(), normal);
    // The lowest row of ink in the label's own place.
    auto bottom = [&] {
        const QRect place = Form.LabelTotalRecv->geometry();
        return InkRows(Render(Form.GroupBox3).copy(place), 0, place.width() - 1).second + place.top();
    };
    const int normalBottom = bottom();

    Form.LabelTotalRecv->SetCaption("123456789012345678");
    EXPECT_LT(QFontInfo(Form.LabelTotalRecv->TextFont()).pixelSize(), QFontInfo(normal).pixelSize());
    EXPECT_EQ(bottom(), normalBottom) << "the digits stand on the row's baseline";

    Form.LabelTotalRecv->SetCaption("1,234,567");
    EXPECT_EQ(Form.LabelTotalRecv->TextFont(), normal) << "back to the window's font";
    EXPECT_EQ(Form.LabelTotalRecv->x() + Form.LabelTotalRecv->width(), 190);
}

TEST_F(MainLayout, HintsAndHandCursors)
{
    EXPECT_EQ(Form.Reset->geometry(), QRect(75, 86, 90, 18));
    EXPECT_EQ(Form.Reset->parentWidget(), Form.GroupBox3);
    EXPECT_EQ(Form.Reset->Caption(), "Reset");
    EXPECT_EQ(Form.Reset->toolTip(), "Double click to reset stats");
    EXPECT_EQ(Form.Reset->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Form.LabelConn->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(Form.LabelGatewayIP->toolTip().isEmpty());
}

TEST_F(MainLayout, LogLinesAreDrawnInTheTextColourNotGreyed)
{
    Form.Log->Append("Quorvel v1.0.0.04");
    const QImage image = Render(Form.Log);
    int darkest = 255;
    for (int y = 1; y <= TStatusLogView::RowHeight; ++y)
        for (int x = 1; x < image.width() - 1; ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    EXPECT_LT(darkest, 60);
    for (int x = 1; x < image.width() - 1; ++x)
        EXPECT_EQ(image.pixel(x, 40), Form.palette().color(QPalette::Button).rgb()) << "rows 2 and 3 are empty";
}

// 50 pixels: a 1-pixel border around three rows of 16.
TEST_F(MainLayout, LogHasAFlatBorderWithItsThreeRowsInside)
{
    const QString longLine = QString("W").repeated(80);
    for (const QString& line : {QString("Quorvel v1.0.0.04"), QString("Online: Tue 08 Dec 2026 00:36:24"), longLine})
        Form.Log->Append(line);
    const QImage image = Render(Form.Log);
    const QRgb frame = Form.Log->palette().color(QPalette::Shadow).rgb();
    ASSERT_NE(frame, Form.palette().color(QPalette::Button).rgb());
    for (int x = 0; x < 240; ++x) {
        EXPECT_EQ(image.pixel(x, 0), frame) << x;
        EXPECT_EQ(image.pixel(x, 49), frame) << x;
    }
    for (int y = 0; y < 50; ++y) {
        EXPECT_EQ(image.pixel(0, y), frame) << y;
        EXPECT_EQ(image.pixel(239, y), frame) << "the long third line stops at the border, row " << y;
    }
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        TStatusLogView log("Log", &Form);
        log.setGeometry(Form.Log->geometry());
        for (int empty = 0; empty < row; ++empty)
            log.Append("");
        log.Append("Quorvel v1.0.0.04 Wg");
        const auto [top, bottom] = InkRows(Render(&log), 1, 238);
        EXPECT_GE(top, 1 + row * 16);
        EXPECT_LE(bottom, 16 + row * 16);
    }
}

TEST_F(MainLayout, GroupFramesRunThroughTheMiddleOfTheirCaptions)
{
    for (QGroupBox* group : {Form.GroupBox2, Form.GroupBox1, Form.GroupBox3}) {
        SCOPED_TRACE(group->objectName().toStdString());
        const QImage image = Render(group);
        const QRgb face = group->palette().color(QPalette::Button).rgb();
        // The top line, read where no caption is above it.
        int line = -1;
        for (int y = 0; y < 24 && line < 0; ++y)
            if (image.pixel(image.width() - 12, y) != face) line = y;
        ASSERT_GE(line, 0) << "no frame line above the first row";
        int captionLeft = image.width(), captionRight = -1, captionTop = 24, captionBottom = -1;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100) {
                    captionLeft = std::min(captionLeft, x);
                    captionRight = std::max(captionRight, x);
                    captionTop = std::min(captionTop, y);
                    captionBottom = std::max(captionBottom, y);
                }
        ASSERT_GE(captionBottom, 0) << "no caption above the first row";
        EXPECT_LT(captionTop, line);
        EXPECT_GT(captionBottom, line);
        EXPECT_LE(std::abs(2 * line - (captionTop + captionBottom)), 4)
            << "line " << line << ", caption rows " << captionTop << " to " << captionBottom;
        // The caption's spaces leave the line clear on both sides of its text; the line goes on beyond them.
        for (int gap = 2; gap <= 4; ++gap) {
            EXPECT_EQ(image.pixel(captionLeft - gap, line), face);
            EXPECT_EQ(image.pixel(captionRight + gap, line), face);
        }
        EXPECT_NE(image.pixel(4, line), face);
        EXPECT_NE(image.pixel(captionRight + 20, line), face);
        EXPECT_LT(captionBottom, 24) << "the caption stays above the first row";
    }
}

TEST_F(MainLayout, OnlyALeftDoubleClickResetsTheTotalsOrCopiesTheNetworkInfo)
{
    Form.State.TotalSent = 4000;
    Form.LabelTotalSent->SetCaption("4,000");
    for (Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton}) {
        DoubleClick(Form.Reset, button);
        DoubleClick(Form.LabelConn, button);
    }
    EXPECT_EQ(Form.State.TotalSent, 4000);
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "4,000");
    EXPECT_TRUE(Platform.Clipboard.Texts.empty());
    EXPECT_EQ(Form.Log->Count(), 0);

    DoubleClick(Form.Reset, Qt::LeftButton);
    EXPECT_EQ(Form.State.TotalSent, 0);
    EXPECT_EQ(Form.LabelTotalSent->Caption(), "");
    DoubleClick(Form.LabelConn, Qt::LeftButton);
    EXPECT_EQ(Platform.Clipboard.Texts.size(), 1u);
    EXPECT_EQ(Form.Log->Count(), 2);
}

TEST_F(MainLayout, TrendFollowsTheWindowsPalette)
{
    QPalette palette = Form.palette();
    palette.setColor(QPalette::Button, QColor(40, 60, 90));
    Form.setPalette(palette);
    EXPECT_EQ(Form.Trend->Color(), QColor(40, 60, 90));
    EXPECT_EQ(Form.Trend->Paint().pixel(120, 10), qRgb(40, 60, 90));
}

TEST_F(MainLayout, GroupsRedrawTheirFrameInANewPalette)
{
    const QRgb oldFace = Render(Form.GroupBox2).pixel(120, 118);
    QPalette palette = Form.palette();
    palette.setColor(QPalette::Button, QColor(200, 220, 240));
    Form.setPalette(palette);
    const QImage image = Render(Form.GroupBox2);
    EXPECT_NE(oldFace, qRgb(200, 220, 240));
    EXPECT_EQ(image.pixel(120, 118), qRgb(200, 220, 240)) << "between the rows";
    EXPECT_EQ(image.pixel(image.width() - 12, 0), qRgb(200, 220, 240)) << "above the line";
}

TEST_F(MainLayout, AValueChangeRepaintsTheLabelButNotTheWindowOrALayout)
{
    Form.show();
    QApplication::processEvents();
    TEventCounter window(&Form), group(Form.GroupBox2), label(Form.LabelConn);
    Form.LabelConn->SetCaption("Intel(R) Ethernet Con...");
    ASSERT_TRUE(WaitFor([&] { return label.Count(QEvent::Paint) > 0; }));
    QApplication::processEvents();
    EXPECT_EQ(window.Count(QEvent::Paint), 0) << "the group covers the window behind the label";
    EXPECT_EQ(group.Count(QEvent::LayoutRequest), 0) << "nothing here is laid out";
    EXPECT_EQ(Form.LabelConn->x() + Form.LabelConn->width(), 225);

    label.Reset();
    Form.LabelConn->SetCaption("Intel(R) Ethernet Con...");
    QApplication::processEvents();
    EXPECT_EQ(label.Count(QEvent::Paint), 0) << "the same text again repaints nothing";
    EXPECT_EQ(label.Count(QEvent::Move) + label.Count(QEvent::Resize), 0);
}

// What the screen shows after a few updates of parts of the window is what a full paint of it shows.
TEST_F(MainLayout, UpdatedLabelsLeaveTheWindowAsAFullPaintDrawsIt)
{
    Form.show();
    TEventCounter label(Form.LabelConn);
    for (const QString& text : {QString("Intel(R) Ethernet Con..."), QString("eth0")}) {
        label.Reset();
        Form.LabelConn->SetCaption(text);
        Form.LabelTotalSent->SetCaption(text);
        ASSERT_TRUE(WaitFor([&] { return label.Count(QEvent::Paint) > 0; }));
    }
    QApplication::processEvents();
    const QImage onScreen = Form.screen()->grabWindow(Form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(onScreen.size(), Form.size());
    EXPECT_TRUE(onScreen == Render(&Form));
}

TEST_F(MainLayout, TheFirstPollRunsOnceTheEventLoopRunsNotAfterAnInterval)
{
    ConnectAnAdapter();
    Form.FormCreate();
    Form.TimerStatus->setInterval(3'600'000); // only the first poll can come in time
    EXPECT_EQ(Platform.IpHelper.AdaptersCalls, 0) << "the window's creation itself polls nothing";
    ASSERT_TRUE(WaitFor([&] { return Form.State.Online; }));
    EXPECT_TRUE(Form.Log->Line(Form.Log->Count() - 1).startsWith("Online: "));
    EXPECT_TRUE(Form.TimerStatus->isActive());
}

TEST_F(MainLayout, AStoppedStatusTimerMakesNoFirstPoll)
{
    ConnectAnAdapter();
    Form.FormCreate();
    Form.TimerStatus->stop();
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    ASSERT_TRUE(WaitFor([&] { return later; }));
    EXPECT_EQ(Platform.IpHelper.AdaptersCalls, 0);
    EXPECT_FALSE(Form.State.Online);
}

TEST_F(MainLayout, PopupMenuHasTwentyItemsInOrderWithShowWindowAsBoldDefault)
{
    const char* expected[][2] = {
        {"MenuShowWindow", "Show Window"},
        {"MenuAlwaysOnTop", "Always On Top"},
        {"MenuMinimizetoTray", "Minimize to Tray"},
        {"MenuStartMinimized", "Start Minimized"},
        {"MenuLoadOnStartup", "Load on Startup"},
        {"MenuSaveLog", "Save Log"},
        {"MenuSynchronizeTime", "Synchronize Time"},
        {"N1", "-"},
        {"MenuShowMonitor", "Show Monitor..."},
        {"MenuHideMonitor", "Hide Monitor when Offline"},
        {"MenuTransparent", "Transparent Monitor"},
        {"N2", "-"},
        {"MenuAdapter", "Adapter"},
        {"MenuUsage", "Usage..."},
        {"MenuNotifications", "Notifications"},
        {"N4", "-"},
        {"MenuCopyNetworkInfo", "Copy Network Info..."},
        {"MenuAboutQorvix", "About Quorvel"},
        {"N3", "-"},
        {"MenuExit", "Exit"},
    };
    const QList<QAction*> items = Form.PopupMenu->actions();
    ASSERT_EQ(items.size(), 20);
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(expected[i][0]);
        EXPECT_EQ(items[i]->objectName(), expected[i][0]);
        if (QString(expected[i][1]) == "-") {
            EXPECT_TRUE(items[i]->isSeparator());
        } else {
            EXPECT_EQ(items[i]->text(), expected[i][1]);
        }
        EXPECT_FALSE(items[i]->isChecked());
        EXPECT_TRUE(items[i]->shortcut().isEmpty());
    }
    EXPECT_EQ(Form.PopupMenu->defaultAction(), Form.MenuShowWindow);
    EXPECT_TRUE(Form.MenuShowWindow->font().bold());
    EXPECT_FALSE(Form.MenuExit->font().bold());
    EXPECT_TRUE(Form.MenuSaveLog->isCheckable());
    EXPECT_FALSE(Form.MenuExit->isCheckable());
    EXPECT_EQ(Form.MenuAdapter->menuAction(), items[12]) << "a submenu";
}

TEST_F(MainLayout, TheAdapterSubmenuListsTheWaysAndTheInterfacesOfTheMomentAndStoresTheChoice)
{
    Platform.IpHelper.Views = {{1, "lo", TInterfaceKind::Loopback, false, true, {}},
                               {2, "eth0", TInterfaceKind::Ethernet, true, true, {}},
                               {3, "wlan&0", TInterfaceKind::WiFi, true, false, {}}};
    emit Form.MenuAdapter->aboutToShow();
    QStringList captions;
    QString checked;
    for (QAction* item : Form.MenuAdapter->actions()) {
        captions << (item->isSeparator() ? "-" : item->text());
        if (item->isChecked()) checked = item->text();
    }
    EXPECT_EQ(captions, (QStringList{"First Ethernet Adapter", "Default Route", "All Physical Adapters", "-",
                                     "eth0 (Ethernet)", "wlan&&0 (Wi-Fi)"}));
    EXPECT_EQ(checked, "First Ethernet Adapter") << "the stored default";

    Form.MenuAdapter->actions().at(5)->trigger();
    EXPECT_EQ(Form.State.Adapter, "wlan&0");
    Platform.IpHelper.Views.pop_back();
    emit Form.MenuAdapter->aboutToShow();
    EXPECT_EQ(Form.MenuAdapter->actions().size(), 5) << "rebuilt as it opens: the adapter that went is gone";
    Form.MenuAdapter->actions().at(1)->trigger();
    EXPECT_EQ(Form.State.Adapter, "default-route");
    emit Form.MenuAdapter->aboutToShow();
    EXPECT_TRUE(Form.MenuAdapter->actions().at(1)->isChecked());
}

TEST_F(MainLayout, RightClickInTheWindowOpensThePopupMenu)
{
    Form.show();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(300, 320), Form.mapToGlobal(QPoint(300, 320)));
    QApplication::sendEvent(&Form, &rightClick);
    EXPECT_TRUE(Form.PopupMenu->isVisible());
    Form.PopupMenu->hide();
}

} // namespace
