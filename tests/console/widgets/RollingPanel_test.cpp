#include "RollingPanel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::paintOnBlack;

bool isRed(const QColor& c)
{
    return c.red() > 200 && c.green() < 50 && c.blue() < 50;
}

// A turning picture with a picture of the test's choosing.
class MarkedPanel : public RollingPanel {
public:
    explicit MarkedPanel(const QString& picture) : RollingPanel(nullptr, picture) {}
};

class RollingPanelPicture : public ::testing::Test {
protected:
    // A transparent square picture with a red mark at the top centre.
    QString topMark()
    {
        QImage image(600, 600, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter(&image).fillRect(250, 20, 100, 100, Qt::red);
        return store(image, "mark.png");
    }
    QString store(const QImage& image, const QString& name)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    QTemporaryDir dir;
};
} // namespace

TEST_F(RollingPanelPicture, AngleTurnsThePictureClockwise)
{
    MarkedPanel panel(topMark());
    panel.resize(200, 200);
    // The mark spans 20..120 of 600 from the top: about 76 units above the centre.
    const QPoint top(100, 24), right(176, 100), bottom(100, 176), left(24, 100);
    EXPECT_TRUE(isRed(paintOnBlack(panel).pixelColor(top)));

    panel.SetAngle(90);
    QImage image = paintOnBlack(panel);
    EXPECT_TRUE(isRed(image.pixelColor(right)));
    EXPECT_FALSE(isRed(image.pixelColor(top)));

    panel.SetAngle(-90);
    EXPECT_TRUE(isRed(paintOnBlack(panel).pixelColor(left)));
    panel.SetAngle(180);
    EXPECT_TRUE(isRed(paintOnBlack(panel).pixelColor(bottom)));
    // Beyond a full turn the rotation simply wraps.
    panel.SetAngle(450);
    EXPECT_TRUE(isRed(paintOnBlack(panel).pixelColor(right)));
    EXPECT_DOUBLE_EQ(panel.angle(), 450);
}

TEST_F(RollingPanelPicture, NonSquareWidgetCentresTheSquare)
{
    MarkedPanel panel(topMark());
    panel.resize(200, 200);
    paintOnBlack(panel); // a picture kept from another size is not reused
    panel.resize(400, 200);
    const QImage image = paintOnBlack(panel);
    EXPECT_TRUE(isRed(image.pixelColor(200, 24)));
    EXPECT_FALSE(isRed(image.pixelColor(100, 24)));
}

TEST_F(RollingPanelPicture, NonSquarePictureLiesAgainstTheTopLeft)
{
    QImage wide(600, 300, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    MarkedPanel panel(store(wide, "wide.png"));
    panel.resize(200, 200);
    const QImage image = paintOnBlack(panel);
    EXPECT_TRUE(isRed(image.pixelColor(100, 50)));
    EXPECT_FALSE(isRed(image.pixelColor(100, 150)));
}

TEST_F(RollingPanelPicture, MissingPictureOrZeroSizeLeavesItBlank)
{
    MarkedPanel missing(dir.filePath("absent.png"));
    missing.resize(200, 200);
    EXPECT_EQ(paintOnBlack(missing), [] {
        QImage black(200, 200, QImage::Format_ARGB32);
        black.fill(Qt::black);
        return black;
    }());

    MarkedPanel flat(topMark());
    flat.resize(200, 0);
    EXPECT_EQ(paintOnBlack(flat, QSize(200, 10)).pixelColor(100, 5), QColor(Qt::black));
}

TEST(RollingPanel, ShowsTheCrawlerSidePicture)
{
    EXPECT_EQ(QPixmap(":/images/Others/rolling.png").size(), QSize(600, 600));
    RollingPanel panel;
    panel.resize(120, 120);
    EXPECT_NE(paintOnBlack(panel).pixelColor(60, 60), QColor(Qt::black));
    EXPECT_EQ(panel.sizeHint(), QSize(100, 100));
    EXPECT_EQ(panel.minimumSizeHint(), QSize(10, 10));
    EXPECT_TRUE(panel.windowFlags() & Qt::FramelessWindowHint);
}
