#include "DisplayPanle.h"
#include "LightButton.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
struct Placement {
    QWidget* widget;
    int row, column, rowSpan, columnSpan;
    Qt::Alignment alignment;
};
} // namespace

TEST(DisplayPanle, StartsWithTheTenPlaceholdersRedLampAndNotConnected)
{
    DisplayPanle panel;
    EXPECT_EQ(panel.m_pBodyAirPressure->text(), QString("车体气压：____kpa"));
    EXPECT_EQ(panel.m_pLensAirPressure->text(), QString("镜头气压：____kpa"));
    EXPECT_EQ(panel.m_pBodyTemperature->text(), QString("车体温度：____℃"));
    EXPECT_EQ(panel.m_pLensTemperature->text(), QString("镜头温度：____℃"));
    EXPECT_EQ(panel.m_pCableLength->text(), QString("线缆长度：____m"));
    EXPECT_EQ(panel.m_pRollAngle->text(), QString("横滚角度：____°"));
    EXPECT_EQ(panel.m_pPitchAngle->text(), QString("俯仰角度：____°"));
    EXPECT_EQ(panel.m_pHeadingAngle->text(), QString("航向角度：____°"));
    EXPECT_EQ(panel.m_pCrawlDistance->text(), QString("爬行距离：____m"));
    EXPECT_EQ(panel.m_pRemainingCable->text(), QString("剩余线缆：____m"));
    EXPECT_EQ(panel.m_pRemoteLamp->bgColor(), QColor(255, 0, 0));
    EXPECT_FALSE(panel.m_pRemoteLamp->showRect());
    EXPECT_EQ(panel.m_pRemoteStatus->text(), QString("未连接"));
    EXPECT_EQ(panel.m_pRemoteStatus->size(), QSize(80, 30));
    EXPECT_EQ(panel.m_pRemoteStatus->alignment(), Qt::AlignCenter);
}

TEST(DisplayPanle, PanelLookAndInheritedFont)
{
    DisplayPanle panel;
    EXPECT_TRUE(panel.autoFillBackground());
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(128, 128, 128));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    for (QLabel* label : {panel.m_pBodyAirPressure, panel.m_pRemainingCable}) {
        EXPECT_EQ(label->font().family(), QString("Arial"));
        EXPECT_EQ(label->font().pointSize(), 10);
        EXPECT_TRUE(label->styleSheet().isEmpty());
    }
    EXPECT_TRUE(panel.m_pRemoteStatus->styleSheet().contains("border-radius:15px"));
}

TEST(DisplayPanle, GridPlacesEveryChildInItsCell)
{
    DisplayPanle panel;
    auto* grid = qobject_cast<QGridLayout*>(panel.layout());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->objectName(), QString("mainLayout"));
    const Placement placements[] = {
        {panel.m_pRemotePicture, 0, 0, 2, 3, {}},
        {panel.m_pRemoteLamp, 0, 3, 1, 3, Qt::AlignHCenter},
        {panel.m_pRemoteStatus, 1, 3, 1, 3, Qt::AlignHCenter},
        {panel.m_pBodyAirPressure, 2, 0, 1, 3, {}},
        {panel.m_pRollAngle, 2, 3, 1, 3, {}},
        {panel.m_pLensAirPressure, 3, 0, 1, 3, {}},
        {panel.m_pPitchAngle, 3, 3, 1, 3, {}},
        {panel.m_pBodyTemperature, 4, 0, 1, 3, {}},
        {panel.m_pHeadingAngle, 4, 3, 1, 3, {}},
        {panel.m_pLensTemperature, 5, 0, 1, 3, {}},
        {panel.m_pCrawlDistance, 5, 3, 1, 3, {}},
        {panel.m_pCableLength, 6, 0, 1, 3, {}},
        {panel.m_pRemainingCable, 6, 3, 1, 3, {}},
    };
    EXPECT_EQ(grid->count(), static_cast<int>(std::size(placements)));
    for (const Placement& p : placements) {
        const int index = grid->indexOf(p.widget);
        ASSERT_GE(index, 0);
        int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        SCOPED_TRACE(row * 10 + column);
        EXPECT_EQ(row, p.row);
        EXPECT_EQ(column, p.column);
        EXPECT_EQ(rowSpan, p.rowSpan);
        EXPECT_EQ(columnSpan, p.columnSpan);
        EXPECT_EQ(grid->itemAt(index)->alignment(), p.alignment);
    }
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(grid->rowStretch(row), 1);
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(grid->columnStretch(column), 1);
}

TEST(DisplayPanle, RemotePictureIsCompiledInAndStretchesOverItsCell)
{
    DisplayPanle panel;
    EXPECT_EQ(panel.m_pRemotePicture->pixmap(Qt::ReturnByValue).size(), QSize(130, 80));
    EXPECT_TRUE(panel.m_pRemotePicture->hasScaledContents());

    auto* grid = qobject_cast<QGridLayout*>(panel.layout());
    ASSERT_NE(grid, nullptr);
    for (const QSize size : {QSize(600, 350), QSize(420, 500)}) {
        panel.resize(size);
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        grid->activate();
        const QRect cell = grid->cellRect(0, 0).united(grid->cellRect(1, 2));
        EXPECT_EQ(panel.m_pRemotePicture->geometry(), cell);
    }
}

TEST(DisplayPanle, HasNoSignalsSlotsOrPropertiesOfItsOwn)
{
    const QMetaObject& meta = DisplayPanle::staticMetaObject;
    EXPECT_EQ(meta.methodCount(), meta.methodOffset());
    EXPECT_EQ(meta.propertyCount(), meta.propertyOffset());
}

TEST(DisplayPanle, KeepsItsSizeWhateverTheValues)
{
    DisplayPanle panel;
    const QSize hint = panel.sizeHint();
    const QSize minimum = panel.minimumSizeHint();
    // Values as a float's largest magnitude prints them with two decimals.
    const QString huge = QStringLiteral("-%1.00").arg(QString(39, QLatin1Char('9')));
    for (QLabel* label :
         {panel.m_pBodyAirPressure, panel.m_pLensAirPressure, panel.m_pBodyTemperature,
          panel.m_pLensTemperature, panel.m_pCableLength, panel.m_pRollAngle, panel.m_pPitchAngle,
          panel.m_pHeadingAngle, panel.m_pCrawlDistance, panel.m_pRemainingCable})
        label->setText(label->text().replace(QStringLiteral("____"), huge));
    EXPECT_EQ(panel.sizeHint(), hint);
    EXPECT_EQ(panel.minimumSizeHint(), minimum);
    EXPECT_TRUE(panel.m_pRollAngle->text().contains(huge));
}
