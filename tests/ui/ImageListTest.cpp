#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"

#include "doubles/TempFolder.h"

#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <fstream>

namespace {

bool HasColour(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour) return true;
    return false;
}

const QRgb Red = qRgb(255, 0, 0);
const QRgb Lime = qRgb(0, 255, 0);

TEST(TrayArtwork, FiveDistinctStatesWithTheTrendColoursOnTheActiveArrows)
{
    std::vector<QImage> states;
    for (int state = 0; state < TrayArtwork::StateCount; ++state)
        states.push_back(TrayArtwork::Draw(state, 16));
    for (int a = 0; a < TrayArtwork::StateCount; ++a)
        for (int b = a + 1; b < TrayArtwork::StateCount; ++b)
            EXPECT_NE(states[a], states[b]) << "states " << a << " and " << b;

    const bool expectRed[] = {false, false, true, false, true};
    const bool expectLime[] = {false, false, false, true, true};
    for (int state = 0; state < TrayArtwork::StateCount; ++state) {
        EXPECT_EQ(HasColour(states[state], Red), expectRed[state]) << "state " << state;
        EXPECT_EQ(HasColour(states[state], Lime), expectLime[state]) << "state " << state;
    }
    // Offline is grey only: every visible pixel has equal red, green and blue.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb pixel = states[0].pixel(x, y);
            if (qAlpha(pixel) == 0) continue;
            EXPECT_TRUE(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel)) << x << "," << y;
        }
    EXPECT_EQ(qAlpha(states[0].pixel(15, 15)), 0) << "the corner is transparent";
}

TEST(TrayArtwork, TheLargeImageIsTheSmallOneWithEveryPixelDoubled)
{
    for (int state = 0; state < TrayArtwork::StateCount; ++state) {
        const QImage small = TrayArtwork::Draw(state, 16);
        const QImage large = TrayArtwork::Draw(state, 32);
        ASSERT_EQ(large.size(), QSize(32, 32));
        EXPECT_EQ(large, small.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation)) << "state " << state;
    }
    const QIcon icon = TrayArtwork::Icon(1);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    // Any other size is drawn on whole pixels: no colour appears that the 16-pixel picture lacks.
    const QImage small = TrayArtwork::Draw(4, 16);
    const QImage odd = TrayArtwork::Draw(4, 22);
    for (int y = 0; y < odd.height(); ++y)
        for (int x = 0; x < odd.width(); ++x)
            EXPECT_TRUE(HasColour(small, odd.pixel(x, y))) << x << "," << y;
}

class ImageListTest : public testing::Test {
protected:
    TTempFolder Folder{"imagelist"};
    TImageList List;
    void SetUp() override
    {
        for (int state = 0; state < TrayArtwork::StateCount; ++state)
            List.Add(TrayArtwork::Icon(state));
    }
    QString Path(const char* name) const { return QString::fromStdString(Folder.File(name)); }
};

TEST_F(ImageListTest, AnIconFileReplacesOneImageAndLeavesTheOthers)
{
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(qRgb(0, 0, 255));
    QImageWriter writer(Path("qorvix2.ico"), "ico");
    ASSERT_TRUE(writer.write(picture)) << writer.errorString().toStdString();
    const qint64 others[] = {List.Image(1).cacheKey(), List.Image(3).cacheKey()};

    ASSERT_TRUE(List.LoadFromFile(2, Path("qorvix2.ico")));
    EXPECT_EQ(List.Count(), 5);
    const QImage loaded = List.Image(2).pixmap(16, 16).toImage();
    EXPECT_EQ(loaded.pixel(8, 8), qRgb(0, 0, 255));
    EXPECT_EQ(List.Image(1).cacheKey(), others[0]);
    EXPECT_EQ(List.Image(3).cacheKey(), others[1]);
}

TEST_F(ImageListTest, AMissingOrDamagedFileOrABadIndexChangesNothing)
{
    const qint64 before = List.Image(0).cacheKey();
    EXPECT_FALSE(List.LoadFromFile(0, Path("absent.ico")));
    std::ofstream(Folder.File("damaged.ico")) << "not an icon at all";
    EXPECT_FALSE(List.LoadFromFile(0, Path("damaged.ico")));
    EXPECT_EQ(List.Image(0).cacheKey(), before);

    EXPECT_FALSE(List.Replace(5, QIcon()));
    EXPECT_FALSE(List.Replace(-1, QIcon()));
    EXPECT_TRUE(List.Image(5).isNull());
    EXPECT_EQ(List.Count(), 5);
}

} // namespace
