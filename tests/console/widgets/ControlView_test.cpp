#include "ControlView.h"
#include "PictureLookup.h"
#include "SwitchButton.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::ownMethods;

struct Cell {
    int row, column, rowSpan, columnSpan;
    bool operator==(const Cell& o) const
    {
        return row == o.row && column == o.column && rowSpan == o.rowSpan &&
               columnSpan == o.columnSpan;
    }
};

Cell cellOf(QGridLayout* grid, QWidget* widget)
{
    Cell cell{};
    grid->getItemPosition(grid->indexOf(widget), &cell.row, &cell.column, &cell.rowSpan,
                          &cell.columnSpan);
    return cell;
}

template <typename T> T* at(ControlView& view, int row, int column)
{
    auto* grid = qobject_cast<QGridLayout*>(view.layout());
    QLayoutItem* item = grid ? grid->itemAtPosition(row, column) : nullptr;
    return item ? qobject_cast<T*>(item->widget()) : nullptr;
}

// Runs f with the working folder switched to dir.
template <typename F> void inFolder(const QString& dir, F f)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir);
    f();
    QDir::setCurrent(previous);
}
} // namespace

TEST(ControlView, LaysOutTwoLabelledSwitchesOnAGrid)
{
    ControlView view;
    auto* grid = qobject_cast<QGridLayout*>(view.layout());
    ASSERT_NE(grid, nullptr);
    auto* exchangeLabel = at<QLabel>(view, 0, 0);
    auto* exchange = at<SwitchButton>(view, 0, 1);
    auto* rearLabel = at<QLabel>(view, 1, 0);
    auto* rear = at<SwitchButton>(view, 1, 1);
    ASSERT_TRUE(exchangeLabel && exchange && rearLabel && rear);
    EXPECT_EQ(cellOf(grid, exchange), (Cell{0, 1, 1, 2}));
    EXPECT_EQ(cellOf(grid, rear), (Cell{1, 1, 1, 2}));
    EXPECT_EQ(cellOf(grid, exchangeLabel), (Cell{0, 0, 1, 1}));
    EXPECT_EQ(exchange->size(), QSize(120, 30));
    EXPECT_EQ(rear->size(), QSize(120, 30));
    EXPECT_FALSE(exchange->isChecked());
    EXPECT_FALSE(rear->isChecked());
    EXPECT_TRUE(exchangeLabel->hasScaledContents());
    EXPECT_TRUE(rearLabel->hasScaledContents());
    EXPECT_TRUE(view.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(ControlView, ExchangeSwitchEmitsOnThenOff)
{
    ControlView view;
    QSignalSpy change(&view, &ControlView::ChangeMainOrBackCame);
    QSignalSpy open(&view, &ControlView::OpenBackCame);
    auto* exchange = at<SwitchButton>(view, 0, 1);
    ASSERT_NE(exchange, nullptr);

    QTest::mouseClick(exchange, Qt::LeftButton);
    QTest::mouseClick(exchange, Qt::LeftButton);
    ASSERT_EQ(change.count(), 2);
    EXPECT_TRUE(change.at(0).at(0).toBool());
    EXPECT_FALSE(change.at(1).at(0).toBool());
    EXPECT_EQ(open.count(), 0);
}

TEST(ControlView, RearSwitchIsIndependentOfTheExchangeSwitch)
{
    ControlView view;
    QSignalSpy change(&view, &ControlView::ChangeMainOrBackCame);
    QSignalSpy open(&view, &ControlView::OpenBackCame);
    auto* exchange = at<SwitchButton>(view, 0, 1);
    auto* rear = at<SwitchButton>(view, 1, 1);
    ASSERT_TRUE(exchange && rear);

    QTest::mouseClick(rear, Qt::LeftButton);
    ASSERT_EQ(open.count(), 1);
    EXPECT_TRUE(open.at(0).at(0).toBool());
    EXPECT_EQ(change.count(), 0);
    EXPECT_FALSE(exchange->isChecked());
    EXPECT_EQ(exchange->knobTargetX(), 0);
}

TEST(ControlView, PicturesComeFromTheWorkingFolderFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("images/Others"));
    QImage marker(3, 2, QImage::Format_RGB32);
    marker.fill(Qt::red);
    ASSERT_TRUE(marker.save(dir.filePath("images/Others/mainbkcame.png")));

    inFolder(dir.path(), [] {
        EXPECT_EQ(PictureLookup::path("mainbkcame.png"), QString("./images/Others/mainbkcame.png"));
        ControlView view;
        auto* label = at<QLabel>(view, 0, 0);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pixmap(Qt::ReturnByValue).size(), QSize(3, 2));
        EXPECT_TRUE(label->text().isEmpty());
    });
}

TEST(ControlView, PicturesFallBackToTheProgramFolderAndMissingOnesAreNull)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    inFolder(dir.path(), [] {
        const QString found = PictureLookup::path("backcame.png");
        if (QFileInfo::exists(found)) {
            EXPECT_TRUE(found.startsWith(QCoreApplication::applicationDirPath()));
        }
        EXPECT_TRUE(PictureLookup::pixmap("no-such-picture.png").isNull());
        EXPECT_EQ(PictureLookup::path("no-such-picture.png"),
                  QString("./images/Others/no-such-picture.png"));
    });
}

TEST(ControlView, MetaObjectMethodsAreRegisteredInOrder)
{
    const QStringList expected{"ChangeMainOrBackCame(bool)", "OpenBackCame(bool)",
                               "GetSwitchButton(bool)", "GetBackOpen(bool)"};
    EXPECT_EQ(ownMethods(ControlView::staticMetaObject), expected);
}
