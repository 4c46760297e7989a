#include "aboutdlg.h"
#include "consoletestenv.h"
#include "inisettings.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QPoint kPress(300, 60);

class AboutDlg : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }

    // Shows the dialog at a fixed place, ready for mouse events.
    static void showForMouse(aboutdlg& dialog)
    {
        dialog.move(200, 150);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
};

// Sends a mouse event at the local point pos with the cursor at global.
void sendMouse(QWidget& widget, QEvent::Type type, QPoint pos, QPoint global,
               Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

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
    ASSERT_NO_FATAL_FAILURE(showForMouse(dialog));
    const QPoint start = dialog.pos();
    const QPoint shift(100, 40);
    sendMouse(dialog, QEvent::MouseButtonPress, kPress, dialog.mapToGlobal(kPress), Qt::LeftButton,
              Qt::LeftButton);
    const QPoint target = dialog.mapToGlobal(kPress) + shift;
    sendMouse(dialog, QEvent::MouseMove, kPress + shift, target, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start + shift);

    sendMouse(dialog, QEvent::MouseButtonRelease, kPress, target, Qt::LeftButton, Qt::NoButton);
    sendMouse(dialog, QEvent::MouseMove, kPress, target + QPoint(50, 50), Qt::NoButton,
              Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start + shift);
}

TEST_F(AboutDlg, RightButtonDoesNotDrag)
{
    aboutdlg dialog;
    ASSERT_NO_FATAL_FAILURE(showForMouse(dialog));
    const QPoint start = dialog.pos();
    sendMouse(dialog, QEvent::MouseButtonPress, kPress, dialog.mapToGlobal(kPress), Qt::RightButton,
              Qt::RightButton);
    sendMouse(dialog, QEvent::MouseMove, kPress, dialog.mapToGlobal(kPress) + QPoint(80, 80),
              Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start);
}

} // namespace
