// Renders every instrument widget offscreen to <build>/screenshots/<Class>.png
// for review, and checks that each picture shows something.
#include "../../../tools/gallery/WidgetCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <cstdio>

namespace {
// A picture with fewer colours than this is a flat fill, not an instrument.
constexpr int kMinimumColours = 8;
// Every instrument class of the console has its sample.
constexpr int kInstrumentClasses = 12;

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0)
                colours.insert(line[x]);
    }
    return colours.size();
}
} // namespace

TEST(Screenshot, EveryWidgetRendersANonBlankPicture)
{
    installFontSubstitutions();
    const QString folder =
        QDir(QCoreApplication::applicationDirPath() + "/../screenshots").absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    std::printf("screenshots: %s\n", qPrintable(folder));

    const std::vector<catalogue::Sample> samples = catalogue::samples();
    QSet<QString> classes;
    for (const catalogue::Sample& sample : samples) {
        SCOPED_TRACE(sample.className.toStdString());
        QWidget host;
        QWidget* widget = sample.make(&host);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QString(widget->metaObject()->className()), sample.className);
        host.resize(widget->size());
        host.show();
        QApplication::processEvents();

        const QImage image = render(*widget);
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(distinctColours(image), kMinimumColours);
        const QString file = folder + "/" + sample.className + ".png";
        EXPECT_TRUE(image.save(file)) << file.toStdString();
        classes.insert(sample.className);
    }
    EXPECT_EQ(classes.size(), static_cast<int>(samples.size()));
    EXPECT_EQ(classes.size(), kInstrumentClasses);
}
