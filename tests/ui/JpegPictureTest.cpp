#include "ui/JpegPicture.h"
#include "ui/About.h"

#include <gtest/gtest.h>

namespace {

const uint8_t* Bytes(const QByteArray& data) { return reinterpret_cast<const uint8_t*>(data.constData()); }

TEST(JpegPicture, TheAboutPictureIsABaselineColourPictureOf500By350)
{
    const QByteArray data = TAboutForm::PictureData();
    ASSERT_FALSE(data.isEmpty()) << "the picture is kept in the program";
    // Start of frame 0 is the baseline process; a progressive stream would carry start of frame 2.
    EXPECT_TRUE(data.contains(QByteArray("\xFF\xC0", 2)));
    EXPECT_FALSE(data.contains(QByteArray("\xFF\xC2", 2)));
    const TJpegPicture picture = TJpegPicture::Decode(Bytes(data), size_t(data.size()));
    EXPECT_EQ(picture.Image.size(), QSize(500, 350));
    EXPECT_EQ(picture.Components, 3);
}

TEST(JpegPicture, ThePixelsAreTheArtworksColours)
{
    const QByteArray data = TAboutForm::PictureData();
    const QImage image = TJpegPicture::Decode(Bytes(data), size_t(data.size())).Image;
    // The name is drawn in lime near the top left; the graph panel's inside is black.
    int limeInName = 0;
    for (int y = 50; y < 110; ++y)
        for (int x = 40; x < 330; ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.green() > 200 && colour.red() < 60 && colour.blue() < 60) ++limeInName;
        }
    EXPECT_GT(limeInName, 2000);
    const QColor panel = image.pixelColor(50, 210);
    EXPECT_LT(panel.red() + panel.green() + panel.blue(), 40);
}

TEST(JpegPicture, BrokenStreamsRaiseInsteadOfDecoding)
{
    const QByteArray data = TAboutForm::PictureData();
    EXPECT_THROW(TJpegPicture::Decode(Bytes(data), 0), EJpegError);
    const QByteArray text("not a picture at all");
    EXPECT_THROW(TJpegPicture::Decode(Bytes(text), size_t(text.size())), EJpegError);
    // A stream cut after its header ends early: libjpeg would pad it with grey and only warn.
    EXPECT_THROW(TJpegPicture::Decode(Bytes(data), size_t(data.size() / 2)), EJpegError);
    try {
        TJpegPicture::Decode(Bytes(text), size_t(text.size()));
    } catch (const EJpegError& error) {
        EXPECT_NE(std::string(error.what()), "JPEG error: ") << "libjpeg's text for the fault";
    }
}

} // namespace
