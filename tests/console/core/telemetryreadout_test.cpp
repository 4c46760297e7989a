// The telemetry read-out inside the console at the work areas it runs on:
// every field's widest ordinary value shows whole, and the rest of the console
// keeps its room. The panels and the consoles are saved to
// <build>/screenshots/ for review.
#include "DisplayPanle.h"
#include "ElidedLabel.h"
#include "FontFaces.h"
#include "LinkRecords.h"
#include "consoletestenv.h"
#include "mainwidgets.h"
#include "statusreadout.h"

#include <QCoreApplication>
#include <QDir>
#include <QLayout>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Work areas from the smallest the console supports to a full-HD desktop
// with a task bar.
const QSize kWorkAreas[] = {{1280, 720}, {1366, 768}, {1440, 900}, {1280, 1024}, {1920, 1040}};

// The widest value each field shows in service: pressures of -1500 kPa,
// temperatures of -40 and 125 °C, angles of -179.99°, 9999.99 m of cable
// (and so -9849.99 m left on the reel).
LinkStatusRecord widestRecord(float temperature)
{
    LinkStatusRecord record{};
    record.Car_Pressure = -1500000;
    record.Cam_Pressure = -1500000;
    record.Car_temperature = temperature;
    record.Cam_temperature = temperature;
    record.Angle_Roll = -179.99F;
    record.Angle_Pitch = -179.99F;
    record.Angle_Yaw = -179.99F;
    record.Wir_length = 999999;
    return record;
}

TEST(TelemetryReadout, WidestOrdinaryValuesShowWholeAtEveryWorkArea)
{
    installFontSubstitutions();
    testenv::removeConfig();
    const QString folder =
        QDir(QCoreApplication::applicationDirPath() + "/../screenshots").absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QSize area : kWorkAreas) {
        const QString name = QStringLiteral("%1x%2").arg(area.width()).arg(area.height());
        SCOPED_TRACE(name.toStdString());
        mainWidgets console;
        console.setFixedSize(area);
        console.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
        // Room for the read-out is not taken from the rest of the console.
        EXPECT_LE(console.layout()->minimumSize().width(), area.width());
        EXPECT_LE(console.layout()->minimumSize().height(), area.height());
        auto* panel = console.findChild<DisplayPanle*>();
        ASSERT_NE(panel, nullptr);
        for (const float temperature : {-40.0F, 125.0F}) {
            showReadout(*panel, StatusReadout::fromRecord(widestRecord(temperature)));
            QCoreApplication::processEvents();
            const QString file =
                QStringLiteral("%1/telemetry-%2-%3C.png").arg(folder, name).arg(temperature);
            EXPECT_TRUE(panel->grab().save(file)) << file.toStdString();
            std::printf("screenshot: %s\n", qPrintable(file));
            const QList<ElidedLabel*> labels = panel->findChildren<ElidedLabel*>();
            ASSERT_EQ(labels.size(), 10);
            for (const ElidedLabel* label : labels)
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                          label->contentsRect().width())
                    << label->text().toStdString() << " in " << label->width() << " px";
        }
        const QString file = QStringLiteral("%1/console-%2.png").arg(folder, name);
        EXPECT_TRUE(console.grab().save(file)) << file.toStdString();
    }
}

} // namespace
