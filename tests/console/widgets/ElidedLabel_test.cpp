#include "ElidedLabel.h"

#include <QLabel>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

TEST(ElidedLabel, TakesTheRoomOfItsWidestSizingTextAndCutsALongerOneAtTheRight)
{
    const QString placeholder = QStringLiteral("车体温度：____℃");
    const QString widest = QStringLiteral("车体温度：125.00 ℃");
    ElidedLabel label(placeholder, {QStringLiteral("车体温度：-4 ℃"), widest}, nullptr);
    EXPECT_EQ(label.text(), placeholder);
    QLabel plain(widest);
    const QSize room = label.sizeHint();
    EXPECT_EQ(room, plain.sizeHint());
    // The first text counts too, when it is the widest.
    EXPECT_EQ(ElidedLabel(widest, {placeholder}, nullptr).sizeHint(), room);

    const QString huge = QStringLiteral("车体温度：%1 ℃").arg(QString(39, QLatin1Char('9')));
    label.setText(huge);
    EXPECT_EQ(label.text(), huge);
    EXPECT_EQ(label.sizeHint(), room);
    EXPECT_EQ(label.minimumSizeHint(), room);

    // It paints what a label of the cut text would.
    label.resize(room);
    plain.setText(label.fontMetrics().elidedText(huge, Qt::ElideRight, room.width()));
    plain.resize(room);
    EXPECT_TRUE(plain.text().endsWith(QChar(0x2026))) << plain.text().toStdString();
    EXPECT_EQ(widgettest::paintOnBlack(label), widgettest::paintOnBlack(plain));

    // A text that fits is shown whole.
    label.setText(QStringLiteral("车体温度：5 ℃"));
    plain.setText(label.text());
    EXPECT_EQ(widgettest::paintOnBlack(label), widgettest::paintOnBlack(plain));
}
