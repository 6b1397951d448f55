#include "ui/About.h"
#include "ui/JpegPicture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <vector>

namespace {

class AboutWindow : public testing::Test {
protected:
    TAboutForm Form;
    std::vector<QWindow*> Moves;

    void SetUp() override
    {
        Form.SetMoveStarter([this](QWindow* window) {
            Moves.push_back(window);
            return true;
        });
        Form.FormCreate();
    }

    void Drag(Qt::MouseButton button, const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(Form.Image, button, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, Form.Image->mapToGlobal(to), Qt::NoButton, button, Qt::NoModifier);
        QApplication::sendEvent(Form.Image, &move);
        QTest::mouseRelease(Form.Image, button, {}, to);
    }

    QPoint Centred() const
    {
        const QRect area = Form.screen()->geometry();
        return {area.x() + (area.width() - 500) / 2, area.y() + (area.height() - 350) / 2};
    }
};

TEST_F(AboutWindow, IsCreatedHiddenAndShowsThePictureCentred)
{
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Form.windowTitle(), "Quorvel - About");
    EXPECT_TRUE(Form.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(Form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(Form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    Form.move(3, 4);
    Form.show();
    EXPECT_EQ(Form.size(), QSize(500, 350));
    EXPECT_EQ(Form.pos(), Centred());
    EXPECT_EQ(Form.Image->geometry(), QRect(0, 0, 500, 350));
    EXPECT_EQ(Form.Image->cursor().shape(), Qt::PointingHandCursor);

    const QByteArray data = TAboutForm::PictureData();
    const QImage expected =
        TJpegPicture::Decode(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())).Image;
    const QImage shown = Form.grab().toImage().convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(shown.size(), expected.size());
    EXPECT_EQ(shown, expected) << "the decoded picture, unscaled";
}

TEST_F(AboutWindow, ADoubleClickHidesItWithoutMovingItAndTheMenuCanShowItAgainCentred)
{
    Form.show();
    QTest::mouseDClick(Form.windowHandle(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(Form.isVisible());
    EXPECT_TRUE(Moves.empty()) << "a window manager's move would have swallowed the second click";
    Form.move(0, 0);
    Form.show();
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Form.pos(), Centred());
}

TEST_F(AboutWindow, OnlyALeftDragMovesItAndNoOtherButtonHidesIt)
{
    Form.show();
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseDClick(Form.Image, button, {}, QPoint(100, 100));
        Drag(button, QPoint(100, 100), QPoint(150, 100));
    }
    QTest::mouseClick(Form.Image, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(Form.isVisible());
    EXPECT_TRUE(Moves.empty());
    Drag(Qt::LeftButton, QPoint(100, 100), QPoint(100, 100 + QApplication::startDragDistance()));
    ASSERT_EQ(Moves.size(), 1u);
    EXPECT_EQ(Moves[0], Form.windowHandle());
    EXPECT_TRUE(Form.isVisible());
}

} // namespace
