#include "FakeConnectionConsole.h"
#include "aboutdlg.h"
#include "connectionsettings.h"
#include "consoletestenv.h"
#include "inisettings.h"
#include "titlebar.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A stand-in console: a top-level window with the bar as first child,
// watching the window like the console does.
class TitleBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        bar = new TitleBar(&window);
        window.installEventFilter(bar);
        auto* layout = new QVBoxLayout(&window);
        layout->setMargin(0);
        layout->addWidget(bar);
        layout->addStretch();
        window.resize(800, 600);
        window.move(100, 80);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        origin = bar->mapToGlobal(QPoint(0, 0));
    }
    void TearDown() override
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<aboutdlg*>(widget))
                delete widget;
    }

    // Positions are given relative to where the bar was when the test began,
    // as a real cursor's screen positions do not follow the moving window.
    void sendMouse(QEvent::Type type, QPoint fromStart, Qt::MouseButton button,
                   Qt::MouseButtons held)
    {
        const QPoint global = origin + fromStart;
        QMouseEvent event(type, bar->mapFromGlobal(global), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    }
    QPushButton* button(const char* name) { return bar->findChild<QPushButton*>(name); }
    static QList<aboutdlg*> aboutWindows()
    {
        QList<aboutdlg*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* about = qobject_cast<aboutdlg*>(widget); about && about->isVisible())
                found << about;
        return found;
    }

    QWidget window;
    TitleBar* bar = nullptr;
    QPoint origin;
};

TEST_F(TitleBarTest, IsThirtyPixelsHighWithFourFixedButtons)
{
    EXPECT_EQ(bar->height(), 30);
    for (const char* name : {"settingButton", "aboutButton", "minimizeButton", "closeButton"}) {
        QPushButton* b = button(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->size(), QSize(30, 30)) << name;
        EXPECT_FALSE(b->icon().isNull()) << name;
    }
    EXPECT_EQ(bar->objectName(), "titleBar");
    EXPECT_TRUE(bar->property("titleBar").toBool());
}

TEST_F(TitleBarTest, DraggingMovesTheWindowByTheDragDistance)
{
    const QPoint start = window.pos();
    sendMouse(QEvent::MouseButtonPress, {200, 15}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {250, 15}, Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {300, 15}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), start + QPoint(100, 0));
    sendMouse(QEvent::MouseButtonRelease, {300, 15}, Qt::LeftButton, Qt::NoButton);
    sendMouse(QEvent::MouseMove, {400, 40}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(100, 0));
}

TEST_F(TitleBarTest, DragPastTheScreenEdgeIsNotClamped)
{
    const QPoint start = window.pos();
    sendMouse(QEvent::MouseButtonPress, {200, 15}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {200 - 500, 15 - 300}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), start - QPoint(500, 300));
}

TEST_F(TitleBarTest, OnlyTheLeftButtonDrags)
{
    const QPoint start = window.pos();
    sendMouse(QEvent::MouseButtonPress, {200, 15}, Qt::RightButton, Qt::RightButton);
    sendMouse(QEvent::MouseMove, {300, 15}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(window.pos(), start);
}

TEST_F(TitleBarTest, DoubleClickChangesNothing)
{
    const QRect before = window.geometry();
    sendMouse(QEvent::MouseButtonDblClick, {200, 15}, Qt::LeftButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), before);
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
}

TEST_F(TitleBarTest, AboutButtonOpensOneAboutWindowWithTheSettings)
{
    SetQStringFromIni("/about/version", "1.4.2");
    SetQStringFromIni("/about/company", QStringLiteral("管道机器人"));
    QTest::mouseClick(button("aboutButton"), Qt::LeftButton);
    const QList<aboutdlg*> opened = aboutWindows();
    ASSERT_EQ(opened.size(), 1);
    aboutdlg* about = opened.first();
    EXPECT_EQ(about->findChild<QLabel*>("labelVersion")->text(), "1.4.2");
    EXPECT_EQ(about->findChild<QLabel*>("labelCompany")->text(), QStringLiteral("管道机器人"));
    EXPECT_TRUE(about->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_TRUE(about->isModal());
    EXPECT_EQ(about->parentWidget(), nullptr);
}

TEST_F(TitleBarTest, SettingsButtonOpensTheConnectionDialogOfItsConsole)
{
    QSignalSpy closes(bar, &TitleBar::CloseWindows);
    const int windowsBefore = QApplication::topLevelWidgets().size();
    QTest::mouseClick(button("settingButton"), Qt::LeftButton); // no console yet
    QApplication::processEvents();
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);

    FakeConnectionConsole console;
    console.m_strSaveFolder = testenv::home() + "/";
    bar->setConnectionConsole(&console);
    QString folderShown;
    QWidget* parent = nullptr;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<ConnectionSettings*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll.stop();
        parent = dialog->parentWidget();
        folderShown = dialog->findChild<QLineEdit*>("lineEditSaveFolder")->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>("pushButtonClose"), Qt::LeftButton);
    });
    poll.start(10);
    QTest::mouseClick(button("settingButton"), Qt::LeftButton); // returns once it is closed
    EXPECT_EQ(parent, &window);
    EXPECT_EQ(folderShown, console.m_strSaveFolder);
    EXPECT_TRUE(console.m_applied.empty());
    EXPECT_EQ(closes.count(), 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(TitleBarTest, CloseButtonOnlyAsksToClose)
{
    QSignalSpy closes(bar, &TitleBar::CloseWindows);
    QTest::mouseClick(button("closeButton"), Qt::LeftButton);
    EXPECT_EQ(closes.count(), 1);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(TitleBarTest, MirrorsTheWindowTitleAndIcon)
{
    window.setWindowTitle("Ostrel");
    EXPECT_EQ(bar->findChildren<QLabel*>().at(1)->text(), "Ostrel");
    auto* icon = bar->findChild<QLabel*>("label_icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->pixmap(Qt::ReturnByValue).isNull(), true);
    window.setWindowIcon(QIcon(":/icons/TitleBar/logo.png"));
    EXPECT_FALSE(icon->pixmap(Qt::ReturnByValue).isNull());
}

TEST_F(TitleBarTest, SetTitleCentresTheText)
{
    bar->setTitle("Ostrel");
    QLabel* title = bar->findChildren<QLabel*>().at(1);
    EXPECT_EQ(title->text(), "Ostrel");
    EXPECT_EQ(title->alignment(), Qt::AlignCenter);
}

} // namespace
