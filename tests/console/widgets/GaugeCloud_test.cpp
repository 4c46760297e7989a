#include "GaugeCloud.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <cmath>
#include <map>

namespace {
using widgettest::paintOnBlack;

constexpr double kPi = 3.14159265358979323846;
// Radii (fractions of the shorter side) that lie well inside the ring, in the dead zone
// between centre and ring, and outside the ring.
constexpr double kRingRadii[] = {0.27, 0.36, 0.45};
constexpr double kDeadZone = 0.2;
constexpr double kOutside = 0.48;

// A point of the pad at a fraction of the shorter side and an angle counter-clockwise from
// the positive x axis as seen on screen.
QPoint polar(const QWidget& w, double fraction, double degrees)
{
    const double r = fraction * std::min(w.width(), w.height());
    const double a = degrees * kPi / 180.0;
    const QPoint c = w.rect().center();
    return QPoint(int(std::lround(c.x() + r * std::cos(a))),
                  int(std::lround(c.y() - r * std::sin(a))));
}

struct Pad {
    explicit Pad(int mode, QSize size = {200, 200}) : widget(nullptr, mode)
    {
        widget.resize(size);
        paintOnBlack(widget);
    }
    // Presses and releases at the point; returns the codes of both signals.
    std::pair<QList<int>, QList<int>> click(QPoint press, QPoint release)
    {
        QSignalSpy pressed(&widget, &GaugeCloud::mousePressed);
        QSignalSpy released(&widget, &GaugeCloud::mouseRelease);
        QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, press);
        QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, release);
        return {codes(pressed), codes(released)};
    }
    std::pair<QList<int>, QList<int>> click(QPoint at) { return click(at, at); }

    static QList<int> codes(const QSignalSpy& spy)
    {
        QList<int> out;
        for (const auto& args : spy)
            out << args.at(0).toInt();
        return out;
    }

    GaugeCloud widget;
};

struct SectorProbe {
    int code;
    double middle;
};
constexpr SectorProbe kSectors[] = {{GaugeCloud::Right, 0},
                                    {GaugeCloud::Top, 90},
                                    {GaugeCloud::Left, 180},
                                    {GaugeCloud::Bottom, 270}};

using Codes = QList<int>;
} // namespace

TEST(GaugeCloud, MomentarySectorsEmitTheirCodeOnPressAndRelease)
{
    Pad pad(GaugeCloud::Momentary);
    for (const SectorProbe& s : kSectors) {
        for (double r : kRingRadii) {
            // Middle and both ends of the sector, just inside its 80-degree span.
            for (double offset : {-37.0, 0.0, 37.0}) {
                const auto [pressed, released] = pad.click(polar(pad.widget, r, s.middle + offset));
                EXPECT_EQ(pressed, Codes{s.code}) << "angle " << s.middle + offset << " r " << r;
                EXPECT_EQ(released, Codes{s.code}) << "angle " << s.middle + offset << " r " << r;
            }
        }
    }
}

TEST(GaugeCloud, GapsDeadZoneAndOutsideOfTheRingHitNothing)
{
    Pad pad(GaugeCloud::Momentary);
    for (double diagonal : {45.0, 135.0, 225.0, 315.0}) {
        for (double offset : {-3.5, 0.0, 3.5}) {
            const auto [pressed, released] = pad.click(polar(pad.widget, 0.36, diagonal + offset));
            EXPECT_TRUE(pressed.isEmpty()) << "gap at " << diagonal + offset;
            EXPECT_TRUE(released.isEmpty()) << "gap at " << diagonal + offset;
        }
    }
    for (double angle = 0; angle < 360; angle += 30) {
        EXPECT_TRUE(pad.click(polar(pad.widget, kDeadZone, angle)).first.isEmpty()) << angle;
        EXPECT_TRUE(pad.click(polar(pad.widget, kOutside, angle)).first.isEmpty()) << angle;
    }
    EXPECT_TRUE(pad.click(QPoint(3, 3)).first.isEmpty());
    EXPECT_TRUE(pad.click(QPoint(196, 196)).first.isEmpty());
}

TEST(GaugeCloud, CentreSquareCoversThirtyPercentOfTheSide)
{
    Pad pad(GaugeCloud::Momentary);
    const QPoint c = pad.widget.rect().center();
    // Square of side 60 around the centre: inside at +-28, outside at +-33.
    for (const QPoint d : {QPoint(28, 28), QPoint(-28, 28), QPoint(28, -28), QPoint(-28, -28)}) {
        const auto [pressed, released] = pad.click(c + d);
        EXPECT_EQ(pressed, Codes{GaugeCloud::Centre});
        EXPECT_EQ(released, Codes{GaugeCloud::Centre});
    }
    for (const QPoint d : {QPoint(33, 0), QPoint(-33, 0), QPoint(0, 33), QPoint(0, -33)})
        EXPECT_TRUE(pad.click(c + d).first.isEmpty()) << d.x() << "," << d.y();
}

TEST(GaugeCloud, NonSquarePadUsesShorterSideAroundTheCentre)
{
    Pad pad(GaugeCloud::Momentary, {300, 200});
    // R = 200, centre (149, 99): the ring ends 92 pixels right of the centre.
    EXPECT_EQ(pad.click(QPoint(149 + 80, 99)).first, Codes{GaugeCloud::Right});
    EXPECT_EQ(pad.click(QPoint(149 - 80, 99)).first, Codes{GaugeCloud::Left});
    EXPECT_EQ(pad.click(QPoint(149, 99 - 80)).first, Codes{GaugeCloud::Top});
    EXPECT_TRUE(pad.click(QPoint(149 + 100, 99)).first.isEmpty());
    EXPECT_TRUE(pad.click(QPoint(149 + 40, 99)).first.isEmpty());
}

TEST(GaugeCloud, HitAreasFollowTheSizeOfTheLastPaint)
{
    Pad pad(GaugeCloud::Momentary, {100, 100});
    const QPoint farRight(49 + 70, 49);
    pad.widget.resize(200, 200);
    // Not repainted yet: the small pad's ring ends at 46 pixels from its centre.
    EXPECT_TRUE(pad.click(farRight).first.isEmpty());
    paintOnBlack(pad.widget);
    EXPECT_EQ(pad.click(QPoint(99 + 70, 99)).first, Codes{GaugeCloud::Right});
}

TEST(GaugeCloud, PressBeforeFirstPaintHitsNothing)
{
    for (int mode : {GaugeCloud::Momentary, GaugeCloud::Drive}) {
        GaugeCloud widget(nullptr, mode);
        widget.resize(200, 200);
        QSignalSpy pressed(&widget, &GaugeCloud::mousePressed);
        QSignalSpy released(&widget, &GaugeCloud::mouseRelease);
        const QPoint right(99 + 70, 99);
        QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, right);
        QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, right);
        EXPECT_EQ(pressed.count(), 0) << "mode " << mode;
        EXPECT_EQ(released.count(), 0) << "mode " << mode;
        paintOnBlack(widget);
        QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, right);
        QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, right);
        EXPECT_EQ(pressed.count(), 1) << "mode " << mode;
        EXPECT_EQ(released.count(), 1) << "mode " << mode;
    }
}

TEST(GaugeCloud, ReleaseReportsThePressedButtonWhereverThePointerIs)
{
    for (int mode : {GaugeCloud::Momentary, GaugeCloud::Drive}) {
        Pad pad(mode);
        const auto [pressed, released] = pad.click(polar(pad.widget, 0.36, 180), QPoint(-40, 300));
        EXPECT_EQ(pressed, Codes{GaugeCloud::Left}) << "mode " << mode;
        EXPECT_EQ(released, Codes{GaugeCloud::Left}) << "mode " << mode;
        // Released over another sector: still the one that was pressed.
        const auto [pressed2, released2] =
            pad.click(polar(pad.widget, 0.36, 0), polar(pad.widget, 0.36, 180));
        EXPECT_EQ(released2, Codes{GaugeCloud::Right}) << "mode " << mode;
    }
}

TEST(GaugeCloud, HeldCommandIsReleasedEvenIfThePadIsResizedMeanwhile)
{
    for (int mode : {GaugeCloud::Momentary, GaugeCloud::Drive}) {
        Pad pad(mode);
        QSignalSpy released(&pad.widget, &GaugeCloud::mouseRelease);
        const QPoint right = polar(pad.widget, 0.44, 0);
        QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, right);
        pad.widget.resize(100, 100);
        paintOnBlack(pad.widget);
        QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, right);
        ASSERT_EQ(released.count(), 1) << "mode " << mode;
        EXPECT_EQ(released.at(0).at(0).toInt(), int(GaugeCloud::Right));
    }
}

TEST(GaugeCloud, HidingAHeldPadReleasesItsButton)
{
    for (int mode : {GaugeCloud::Momentary, GaugeCloud::Drive}) {
        Pad pad(mode);
        pad.widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pad.widget));
        QSignalSpy released(&pad.widget, &GaugeCloud::mouseRelease);
        const QPoint left = polar(pad.widget, 0.36, 180);
        QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, left);
        pad.widget.hide();
        EXPECT_EQ(Pad::codes(released), Codes{GaugeCloud::Left}) << "mode " << mode;
        QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, left);
        EXPECT_EQ(released.count(), 1) << "mode " << mode;
    }
}

TEST(GaugeCloud, QuickSecondTapIsASecondPress)
{
    // Through the window, as the display server delivers a fast double tap: the
    // second press arrives as a double click.
    constexpr double kSectorMiddle = 0.36;
    for (int mode : {GaugeCloud::Momentary, GaugeCloud::Drive}) {
        Pad pad(mode);
        pad.widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pad.widget));
        std::map<int, QPoint> points{{GaugeCloud::Centre, pad.widget.rect().center()}};
        for (const SectorProbe& s : kSectors)
            points[s.code] = polar(pad.widget, kSectorMiddle, s.middle);
        for (const auto& [code, point] : points) {
            QSignalSpy pressed(&pad.widget, &GaugeCloud::mousePressed);
            QSignalSpy released(&pad.widget, &GaugeCloud::mouseRelease);
            QTest::mouseDClick(pad.widget.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
            const bool latching = mode == GaugeCloud::Drive &&
                                  (code == GaugeCloud::Top || code == GaugeCloud::Bottom);
            EXPECT_EQ(Pad::codes(pressed), (Codes{code, code}))
                << "mode " << mode << " code " << code;
            EXPECT_EQ(Pad::codes(released), latching ? Codes{} : (Codes{code, code}))
                << "mode " << mode << " code " << code;
        }
    }
}

TEST(GaugeCloud, OnlyLeftPressesInsideThePadCount)
{
    Pad pad(GaugeCloud::Momentary);
    QSignalSpy pressed(&pad.widget, &GaugeCloud::mousePressed);
    QSignalSpy released(&pad.widget, &GaugeCloud::mouseRelease);
    const QPoint right = polar(pad.widget, 0.36, 0);
    QTest::mousePress(&pad.widget, Qt::RightButton, Qt::NoModifier, right);
    QTest::mouseRelease(&pad.widget, Qt::RightButton, Qt::NoModifier, right);
    QTest::mousePress(&pad.widget, Qt::MiddleButton, Qt::NoModifier, right);
    QTest::mouseRelease(&pad.widget, Qt::MiddleButton, Qt::NoModifier, right);
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_EQ(released.count(), 0);

    // A left press released with another button still ends the held command.
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, right);
    QTest::mouseRelease(&pad.widget, Qt::RightButton, Qt::NoModifier, right);
    EXPECT_EQ(Pad::codes(pressed), Codes{GaugeCloud::Right});
    EXPECT_EQ(Pad::codes(released), Codes{GaugeCloud::Right});
}

TEST(GaugeCloud, DriveTopAndBottomLatchWithoutRelease)
{
    Pad pad(GaugeCloud::Drive);
    for (double r : kRingRadii) {
        EXPECT_EQ(pad.click(polar(pad.widget, r, 90)), std::make_pair(Codes{3}, Codes{}));
        EXPECT_EQ(pad.click(polar(pad.widget, r, 270)), std::make_pair(Codes{4}, Codes{}));
        EXPECT_EQ(pad.click(polar(pad.widget, r, 0)), std::make_pair(Codes{1}, Codes{1}));
        EXPECT_EQ(pad.click(polar(pad.widget, r, 180)), std::make_pair(Codes{2}, Codes{2}));
    }
    EXPECT_EQ(pad.click(pad.widget.rect().center()), std::make_pair(Codes{5}, Codes{5}));
    EXPECT_EQ(pad.click(polar(pad.widget, 0.36, 45)), std::make_pair(Codes{}, Codes{}));
    EXPECT_EQ(pad.click(polar(pad.widget, kOutside, 0)), std::make_pair(Codes{}, Codes{}));
}

TEST(GaugeCloud, DriveTopPressDoesNotStealTheNextRelease)
{
    Pad pad(GaugeCloud::Drive);
    QSignalSpy released(&pad.widget, &GaugeCloud::mouseRelease);
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 90));
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 0));
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 0));
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 90));
    EXPECT_EQ(Pad::codes(released), Codes{GaugeCloud::Right});
}

// Painted output: each pressed image is a plain colour, so the sampled pad shows which one
// was drawn over the background.
class GaugeCloudPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const auto& [code, colour] : colours)
            paths[code] = solid(QStringLiteral("pressed%1.png").arg(code), colour, 310);
    }

    QString solid(const QString& name, const QColor& colour, int side)
    {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(colour);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    void useImages(GaugeCloud& pad)
    {
        for (int code : {1, 2, 3, 4})
            pad.setIconText(QString(), paths[code], code);
        pad.setCenterText(QString(), paths[5]);
    }

    // The colour seen at a spot of the pad away from every symbol.
    static QColor litColour(GaugeCloud& pad)
    {
        return paintOnBlack(pad).pixelColor(polar(pad, 0.25, 45));
    }

    QTemporaryDir dir;
    std::map<int, QColor> colours{{1, QColor(250, 10, 10)},
                                  {2, QColor(10, 250, 10)},
                                  {3, QColor(10, 10, 250)},
                                  {4, QColor(250, 250, 10)},
                                  {5, QColor(250, 10, 250)}};
    std::map<int, QString> paths;
};

TEST_F(GaugeCloudPaint, MomentaryHighlightsThePressedButtonUntilRelease)
{
    Pad pad(GaugeCloud::Momentary);
    useImages(pad.widget);
    const QColor idle = litColour(pad.widget);
    const std::map<int, QPoint> spots{{1, polar(pad.widget, 0.36, 0)},
                                      {2, polar(pad.widget, 0.36, 180)},
                                      {3, polar(pad.widget, 0.36, 90)},
                                      {4, polar(pad.widget, 0.36, 270)},
                                      {5, pad.widget.rect().center()}};
    for (const auto& [code, spot] : spots) {
        QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, spot);
        EXPECT_EQ(litColour(pad.widget), colours[code]) << "code " << code;
        QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, spot);
        EXPECT_EQ(litColour(pad.widget), idle) << "code " << code;
    }
    // Pressed in a gap: nothing lights.
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 45));
    EXPECT_EQ(litColour(pad.widget), idle);
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 45));
}

TEST_F(GaugeCloudPaint, MomentaryPadIgnoresTheLatch)
{
    Pad pad(GaugeCloud::Momentary);
    useImages(pad.widget);
    const QColor idle = litColour(pad.widget);
    pad.widget.updateUpDowmStatus(1);
    EXPECT_EQ(litColour(pad.widget), idle);
}

TEST_F(GaugeCloudPaint, DriveShowsTheLatchUnlessATurnOrStopIsHeld)
{
    Pad pad(GaugeCloud::Drive);
    useImages(pad.widget);
    const QColor idle = litColour(pad.widget);

    // Pressing top does not light it by itself: the console's reply does.
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, polar(pad.widget, 0.36, 90));
    EXPECT_EQ(litColour(pad.widget), idle);
    pad.widget.updateUpDowmStatus(1);
    EXPECT_EQ(litColour(pad.widget), colours[3]);
    pad.widget.updateUpDowmStatus(2);
    EXPECT_EQ(litColour(pad.widget), colours[4]);

    const QPoint left = polar(pad.widget, 0.36, 180);
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, left);
    EXPECT_EQ(litColour(pad.widget), colours[2]);
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, left);
    EXPECT_EQ(litColour(pad.widget), colours[4]);

    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, pad.widget.rect().center());
    EXPECT_EQ(litColour(pad.widget), colours[5]);
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, pad.widget.rect().center());

    pad.widget.updateUpDowmStatus(0);
    EXPECT_EQ(litColour(pad.widget), idle);
}

TEST_F(GaugeCloudPaint, SymbolsSitOnTheirButtons)
{
    Pad pad(GaugeCloud::Momentary);
    for (const auto& [code, colour] : colours) {
        const QString path = solid(QStringLiteral("icon%1.png").arg(code), colour, 50);
        if (code == GaugeCloud::Centre)
            pad.widget.setCenterText(path, QString());
        else
            pad.widget.setIconText(path, QString(), code);
    }
    const QImage image = paintOnBlack(pad.widget);
    // Symbols are centred 67 logical units out on each axis; the centre one on the centre.
    EXPECT_EQ(image.pixelColor(polar(pad.widget, 0.335, 0)), colours[1]);
    EXPECT_EQ(image.pixelColor(polar(pad.widget, 0.335, 180)), colours[2]);
    EXPECT_EQ(image.pixelColor(polar(pad.widget, 0.335, 90)), colours[3]);
    EXPECT_EQ(image.pixelColor(polar(pad.widget, 0.335, 270)), colours[4]);
    EXPECT_EQ(image.pixelColor(pad.widget.rect().center()), colours[5]);
    EXPECT_NE(image.pixelColor(polar(pad.widget, 0.25, 45)), colours[5]);
}

TEST_F(GaugeCloudPaint, OutOfRangeIconCodesChangeNothing)
{
    Pad pad(GaugeCloud::Momentary);
    const QImage before = paintOnBlack(pad.widget);
    for (int code : {0, 5, 6, -1})
        pad.widget.setIconText(paths[1], paths[1], code);
    EXPECT_EQ(paintOnBlack(pad.widget), before);
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, pad.widget.rect().center());
    EXPECT_NE(litColour(pad.widget), colours[1]);
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, pad.widget.rect().center());
}

TEST_F(GaugeCloudPaint, MissingPicturesDrawNothingAndEmptyPadDrawsNothing)
{
    Pad pad(GaugeCloud::Momentary);
    pad.widget.setCenterText(dir.filePath("absent.png"), dir.filePath("absent.png"));
    const QImage idle = paintOnBlack(pad.widget);
    QTest::mousePress(&pad.widget, Qt::LeftButton, Qt::NoModifier, pad.widget.rect().center());
    EXPECT_EQ(paintOnBlack(pad.widget), idle);
    QTest::mouseRelease(&pad.widget, Qt::LeftButton, Qt::NoModifier, pad.widget.rect().center());

    GaugeCloud flat(nullptr, GaugeCloud::Momentary);
    flat.resize(0, 50);
    EXPECT_EQ(paintOnBlack(flat, QSize(10, 10)).pixelColor(5, 5), QColor(Qt::black));
}

TEST(GaugeCloudArtwork, PadBackgroundIsCompiledIn)
{
    const QPixmap panel(":/images/Others/panel.png");
    EXPECT_EQ(panel.size(), QSize(310, 310));
    for (const char* name :
         {"press_center", "press_top", "press_bottpm", "press_left", "press_right"})
        EXPECT_EQ(QPixmap(QStringLiteral(":/icons/Discolour/%1.png").arg(name)).size(),
                  QSize(310, 310))
            << name;
}

TEST(GaugeCloud, MetaObjectOffersTheConsoleConnections)
{
    const QMetaObject& meta = GaugeCloud::staticMetaObject;
    const int first = meta.methodOffset();
    ASSERT_EQ(meta.methodCount() - first, 4);
    EXPECT_EQ(meta.method(first).methodSignature(), "mousePressed(int)");
    EXPECT_EQ(meta.method(first + 1).methodSignature(), "mouseRelease(int)");
    EXPECT_EQ(meta.method(first + 2).methodSignature(), "setIconText(QString,QString,int)");
    EXPECT_EQ(meta.method(first + 3).methodSignature(), "setCenterText(QString,QString)");
    EXPECT_EQ(meta.method(first + 2).parameterNames(),
              (QList<QByteArray>{"iconText", "pressed_iconText", "nIndex"}));
    EXPECT_EQ(GaugeCloud(nullptr, 0).sizeHint(), QSize(100, 100));
}
