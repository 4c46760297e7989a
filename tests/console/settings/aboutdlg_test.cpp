#include "aboutdlg.h"
#include "consoletestenv.h"
#include "inisettings.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class AboutDlg : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }
};

QString labelText(QWidget* dialog, const char* name)
{
    auto* label = dialog->findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<missing>");
}

TEST_F(AboutDlg, ShowsVersionAndCompanyFromConfig)
{
    SetQStringFromIni("/about/version", "V2.1.0");
    SetQStringFromIni("/about/company", QStringLiteral("管道检测有限公司"));
    aboutdlg dialog;
    EXPECT_EQ(labelText(&dialog, "labelVersion"), "V2.1.0");
    EXPECT_EQ(labelText(&dialog, "labelCompany"), QStringLiteral("管道检测有限公司"));
    EXPECT_EQ(labelText(&dialog, "label"), QStringLiteral("程序版本："));
    EXPECT_EQ(labelText(&dialog, "label_2"), QStringLiteral("公司名称："));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关于"));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.size(), QSize(411, 362));
}

TEST_F(AboutDlg, MissingKeysLeaveValuesEmptyAndEditsShowAtNextOpening)
{
    {
        aboutdlg dialog;
        EXPECT_TRUE(labelText(&dialog, "labelVersion").isEmpty());
        EXPECT_TRUE(labelText(&dialog, "labelCompany").isEmpty());
    }
    SetQStringFromIni("/about/version", "V3");
    aboutdlg dialog;
    EXPECT_EQ(labelText(&dialog, "labelVersion"), "V3");
}

TEST_F(AboutDlg, CloseButtonClosesAndDeletesTheWindow)
{
    QPointer<aboutdlg> dialog = new aboutdlg;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    auto* close = dialog->findChild<QPushButton*>("pushButtonClose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("×"));
    QTest::mouseClick(close, Qt::LeftButton);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(AboutDlg, PaintsGreyTitleBandOverDarkerBody)
{
    aboutdlg dialog;
    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(300, 20)), QColor(153, 153, 153));
    EXPECT_EQ(QColor(image.pixel(300, 44)), QColor(153, 153, 153));
    EXPECT_EQ(QColor(image.pixel(300, 45)), QColor(102, 102, 102));
    EXPECT_EQ(QColor(image.pixel(300, 300)), QColor(102, 102, 102));
    // The logo and close buttons are transparent: the band shows around them.
    EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(153, 153, 153));
    EXPECT_EQ(QColor(image.pixel(364, 4)), QColor(153, 153, 153));
    EXPECT_EQ(QColor(image.pixel(406, 36)), QColor(153, 153, 153));
}

TEST_F(AboutDlg, LeftDragMovesTheWindowWithTheCursor)
{
    aboutdlg dialog;
    dialog.move(200, 150);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const QPoint press(300, 60);
    QMouseEvent down(QEvent::MouseButtonPress, press, dialog.mapToGlobal(press), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &down);
    const QPoint target = dialog.mapToGlobal(press) + QPoint(100, 40);
    QMouseEvent drag(QEvent::MouseMove, press + QPoint(100, 40), target, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drag);
    EXPECT_EQ(dialog.pos(), start + QPoint(100, 40));

    QMouseEvent up(QEvent::MouseButtonRelease, press, target, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&dialog, &up);
    QMouseEvent after(QEvent::MouseMove, press, target + QPoint(50, 50), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &after);
    EXPECT_EQ(dialog.pos(), start + QPoint(100, 40));
}

TEST_F(AboutDlg, RightButtonDoesNotDrag)
{
    aboutdlg dialog;
    dialog.move(200, 150);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const QPoint press(300, 60);
    QMouseEvent down(QEvent::MouseButtonPress, press, dialog.mapToGlobal(press), Qt::RightButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &down);
    QMouseEvent drag(QEvent::MouseMove, press, dialog.mapToGlobal(press) + QPoint(80, 80),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drag);
    EXPECT_EQ(dialog.pos(), start);
}

} // namespace
