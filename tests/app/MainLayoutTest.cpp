#include "app/BevelPanel.h"
#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"
#include "trend/Trend.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MainLayout : public testing::Test {
protected:
    TTestPlatform Platform;
    TMainForm Form{Platform.Services()};

    QLabel* FixedLabel(QGroupBox* group, const QString& text)
    {
        for (QLabel* label : group->findChildren<QLabel*>())
            if (label->text() == text && !qobject_cast<TValueLabel*>(label)) return label;
        return nullptr;
    }
    TValueLabel* UnitLabel(QGroupBox* group, int top, const QString& text)
    {
        for (TValueLabel* label : group->findChildren<TValueLabel*>())
            if (label->text() == text && label->y() == top) return label;
        return nullptr;
    }
};

struct TRow {
    const char* Group;
    int Top;
    const char* Caption;
    const char* Value;
    int ValueRight;
    const char* Unit;
};

const TRow Rows[] = {
    {"GroupBox2", 24, "Connection:", "LabelConn", 225, nullptr},
    {"GroupBox2", 42, "Speed:", "LabelSpeed", 190, "bits/s"},
    {"GroupBox2", 60, "Sent:", "LabelSent", 190, "bytes"},
    {"GroupBox2", 78, "Received:", "LabelRecv", 190, "bytes"},
    {"GroupBox2", 96, "Duration:", "LabelDuration", 225, nullptr},
    {"GroupBox2", 128, "DNS Server:", "LabelDNS1", 225, nullptr},
    {"GroupBox2", 146, nullptr, "LabelDNS2", 225, nullptr},
    {"GroupBox2", 164, "Gateway IP:", "LabelGatewayIP", 225, nullptr},
    {"GroupBox2", 182, "Client IP:", "LabelClientIP", 225, nullptr},
    {"GroupBox2", 214, "Upload Speed:", "LabelUpSpeed", 180, "bytes/s"},
    {"GroupBox2", 232, "Download Speed:", "LabelDownSpeed", 180, "bytes/s"},
    {"GroupBox1", 24, "Connection:", "LabelLastConn", 225, nullptr},
    {"GroupBox1", 42, "Speed:", "LabelLastSpeed", 190, "bits/s"},
    {"GroupBox1", 60, "Sent:", "LabelLastSent", 190, "bytes"},
    {"GroupBox1", 78, "Received:", "LabelLastRecv", 190, "bytes"},
    {"GroupBox1", 96, "Duration:", "LabelLastDuration", 225, nullptr},
    {"GroupBox3", 24, "Sent:", "LabelTotalSent", 190, "bytes"},
    {"GroupBox3", 42, "Received:", "LabelTotalRecv", 190, "bytes"},
    {"GroupBox3", 60, "Duration:", "LabelTotalDuration", 225, nullptr},
};

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

TEST_F(MainLayout, GroupsHaveTheirCaptionsAndPlaces)
{
    EXPECT_EQ(Form.GroupBox2->title(), "  Current Connection  ");
    EXPECT_EQ(Form.GroupBox2->geometry(), QRect(16, 14, 240, 258));
    EXPECT_EQ(Form.GroupBox1->title(), "  Last Connection  ");
    EXPECT_EQ(Form.GroupBox1->geometry(), QRect(274, 14, 240, 126));
    EXPECT_EQ(Form.GroupBox3->title(), "  Total Connection  ");
    EXPECT_EQ(Form.GroupBox3->geometry(), QRect(274, 154, 240, 118));
}

TEST_F(MainLayout, EveryRowHasItsCaptionValueAndUnitInPlace)
{
    for (const TRow& row : Rows) {
        SCOPED_TRACE(row.Value);
        auto* group = Form.findChild<QGroupBox*>(row.Group);
        ASSERT_NE(group, nullptr);
        auto* value = group->findChild<TValueLabel*>(row.Value);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->text(), row.Value) << "design caption is the label's own name";
        EXPECT_EQ(value->x() + value->width(), row.ValueRight);
        EXPECT_EQ(value->y(), row.Top);
        EXPECT_EQ(value->height(), 13);
        EXPECT_TRUE(value->alignment() & Qt::AlignRight);
        if (row.Caption) {
            QLabel* caption = FixedLabel(group, row.Caption);
            ASSERT_NE(caption, nullptr);
            EXPECT_EQ(caption->geometry().topLeft(), QPoint(15, row.Top));
            EXPECT_EQ(caption->height(), 13);
        }
        if (row.Unit) {
            TValueLabel* unit = UnitLabel(group, row.Top, row.Unit);
            ASSERT_NE(unit, nullptr);
            EXPECT_EQ(unit->x() + unit->width(), 225);
            EXPECT_EQ(unit->height(), 13);
        }
    }
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

TEST_F(MainLayout, TrendAndLogSitBelowTheGroups)
{
    EXPECT_EQ(Form.Trend->geometry(), QRect(16, 290, 240, 50));
    EXPECT_EQ(Form.Trend->BorderWidth(), 1);
    EXPECT_EQ(Form.Trend->Color(), Form.palette().color(QPalette::Button));
    EXPECT_EQ(Form.Trend->MaxVal(), 7000);
    EXPECT_EQ(Form.Trend->Divisions(), 238);
    EXPECT_EQ(Form.Trend->Options(), toTwin);
    EXPECT_EQ(Form.Trend->Style(), tsBar);
    EXPECT_EQ(Form.Trend->ColorDataA(), QColor(0, 255, 0));
    EXPECT_EQ(Form.Trend->ColorDataB(), QColor(255, 0, 0));
    EXPECT_EQ(Form.Log->geometry(), QRect(274, 290, 240, 50));
    EXPECT_EQ(Form.Log->Count(), 0);
}

TEST_F(MainLayout, LogLinesAreDrawnInTheTextColourNotGreyed)
{
    Form.Log->Append("Quorvel v1.0.0.04");
    QImage image(Form.Log->size(), QImage::Format_RGB32);
    Form.Log->render(&image);
    int darkest = 255;
    for (int y = 0; y < TStatusLogView::RowHeight; ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    EXPECT_LT(darkest, 60);
    for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(image.pixel(x, 40), Form.palette().color(QPalette::Button).rgb()) << "rows 2 and 3 are empty";
}

TEST_F(MainLayout, PopupMenuHasSixteenItemsInOrderWithShowWindowAsBoldDefault)
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
        {"MenuCopyNetworkInfo", "Copy Network Info..."},
        {"MenuAboutQorvix", "About Quorvel"},
        {"N3", "-"},
        {"MenuExit", "Exit"},
    };
    const QList<QAction*> items = Form.PopupMenu->actions();
    ASSERT_EQ(items.size(), 16);
    for (int i = 0; i < 16; ++i) {
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
}

TEST_F(MainLayout, RightClickInTheWindowOpensThePopupMenu)
{
    Form.show();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(300, 320), Form.mapToGlobal(QPoint(300, 320)));
    QApplication::sendEvent(&Form, &rightClick);
    EXPECT_TRUE(Form.PopupMenu->isVisible());
    Form.PopupMenu->hide();
}

TEST_F(MainLayout, TimersStartDisabled)
{
    EXPECT_FALSE(Form.TimerStatus->isActive());
    EXPECT_EQ(Form.TimerStatus->interval(), 1000);
    EXPECT_FALSE(Form.TimerSynchronizeTime->isActive());
}

} // namespace
