// The console's panels in their cells, the function keys and the keyboard,
// and the dialogs the keys open, with what they change in the console.
#include "CodingSet.h"
#include "ColorButton.h"
#include "ConsoleOnSim.h"
#include "GaugeCloud.h"
#include "GaugeSpeed.h"
#include "SliderWidget.h"
#include "SwitchButton.h"
#include "engineeringinfo.h"
#include "engineershoworhide.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <optional>
#include <thread>

namespace {

using consoletest::DebugCapture;
using consoletest::waitUntil;

struct Cell {
    int row, column, rowSpan, columnSpan;
    Qt::Alignment alignment;
    bool operator==(const Cell& other) const
    {
        return row == other.row && column == other.column && rowSpan == other.rowSpan &&
               columnSpan == other.columnSpan && alignment == other.alignment;
    }
};

std::ostream& operator<<(std::ostream& out, const Cell& cell)
{
    return out << cell.row << "," << cell.column << " " << cell.rowSpan << "x" << cell.columnSpan
               << " align " << cell.alignment;
}

// A status record as the link library delivers it: on a thread of its own.
void deliver(mainWidgets& console, const LinkStatusRecord& record)
{
    std::thread link([&] { console.OnStatusData(&record); });
    link.join();
}

// Where the widget or layout sits in the grid that holds it, if any does.
std::optional<Cell> cellOf(const QWidget* console, const QObject* item)
{
    for (QGridLayout* grid : console->findChildren<QGridLayout*>()) {
        for (int i = 0; i < grid->count(); ++i) {
            QLayoutItem* entry = grid->itemAt(i);
            if (entry->widget() != item && entry->layout() != item)
                continue;
            Cell cell{};
            grid->getItemPosition(i, &cell.row, &cell.column, &cell.rowSpan, &cell.columnSpan);
            cell.alignment = entry->alignment();
            return cell;
        }
    }
    return std::nullopt;
}

QGridLayout* gridHolding(const QWidget* console, const QWidget* widget)
{
    for (QGridLayout* grid : console->findChildren<QGridLayout*>())
        if (grid->indexOf(const_cast<QWidget*>(widget)) >= 0)
            return grid;
    return nullptr;
}

// The console without a crawler: the link goes to a closed port on 127.0.0.1.
class MainWidgetsPanels : public consoletest::ConsoleOnSim {
protected:
    static constexpr char kClosedPort[] = "1";

    void SetUp() override
    {
        ConsoleOnSim::SetUp();
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", kClosedPort);
        console = std::make_unique<mainWidgets>();
        console->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(console.get()));
    }

    std::optional<Cell> cell(const char* name) { return cellOf(console.get(), widget(name)); }
    // The widget in a cell of the grid that holds the named widget.
    QWidget* besides(const char* name, int row, int column)
    {
        QGridLayout* grid = gridHolding(console.get(), widget(name));
        QLayoutItem* item = grid ? grid->itemAtPosition(row, column) : nullptr;
        return item ? item->widget() : nullptr;
    }
    // Sends the key to the console as the keyboard would; true if taken.
    bool pressKey(int qtKey)
    {
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
        QApplication::sendEvent(console.get(), &press);
        return press.isAccepted();
    }
};

TEST_F(MainWidgetsPanels, LeftColumnCellsFollowTheLayoutTable)
{
    using C = Cell;
    const Qt::Alignment none;
    EXPECT_EQ(cell("mainLightSlider"), (C{1, 1, 5, 1, Qt::AlignHCenter}));
    EXPECT_EQ(cell("backLightSlider"), (C{1, 3, 5, 1, Qt::AlignHCenter}));
    EXPECT_EQ(cell("lensDemisterSwitch"), (C{2, 5, 1, 3, none}));
    EXPECT_EQ(cell("electricTakeupSwitch"), (C{4, 5, 1, 3, none}));
    EXPECT_EQ(cell("laserDistanceSwitch"), (C{6, 5, 1, 3, none}));
    for (const auto& [row, column] : {std::pair{6, 1}, {6, 3}, {1, 5}, {3, 5}, {5, 5}})
        EXPECT_NE(qobject_cast<QLabel*>(besides("mainLightSlider", row, column)), nullptr)
            << row << "," << column;
    // The accessory icons are boxed; the spacers span the whole grid.
    auto* demisterIcon = qobject_cast<QLabel*>(besides("mainLightSlider", 1, 5));
    ASSERT_NE(demisterIcon, nullptr);
    EXPECT_EQ(demisterIcon->minimumSize(), QSize(100, 50));
    EXPECT_EQ(demisterIcon->maximumSize(), QSize(100, 50));
    EXPECT_TRUE(demisterIcon->hasScaledContents());
    EXPECT_EQ(demisterIcon->styleSheet(), "QLabel{margin:10 0;}");
    EXPECT_EQ(cellOf(console.get(), besides("mainLightSlider", 0, 0)), (C{0, 0, 1, 9, none}));
    EXPECT_EQ(cellOf(console.get(), besides("mainLightSlider", 7, 0)), (C{7, 0, 1, 9, none}));
    EXPECT_EQ(widget("mainLightSlider")->maximumWidth(), 35);
    EXPECT_EQ(widget("lensDemisterSwitch")->maximumSize(), QSize(100, 30));
    // The upper grid takes rows 0 to 3 of the column, the pads the six below.
    const QLayout* upper = gridHolding(console.get(), widget("mainLightSlider"));
    EXPECT_EQ(cellOf(console.get(), upper), (C{0, 0, 4, 1, none}));
    const QLayout* pads = widget("lensPad")->parentWidget()->layout();
    ASSERT_NE(pads, nullptr);
    EXPECT_LT(widget("lensPad")->y(), widget("cameraHeadPad")->y());
    EXPECT_LT(widget("mainLightSlider")->y(), widget("lensPad")->y());
}

TEST_F(MainWidgetsPanels, RightColumnAndBottomBandCellsFollowTheLayoutTable)
{
    using C = Cell;
    const Qt::Alignment none;
    EXPECT_EQ(cell("speedGauge"), (C{1, 1, 11, 5, none}));
    EXPECT_EQ(cell("speedSlider"), (C{1, 7, 9, 1, Qt::AlignHCenter}));
    EXPECT_NE(qobject_cast<QLabel*>(besides("speedSlider", 11, 7)), nullptr);
    EXPECT_EQ(cell("cameraSwitch"), (C{12, 1, 8, 7, none}));
    EXPECT_EQ(cellOf(console.get(), gridHolding(console.get(), widget("speedGauge"))),
              (C{0, 0, 4, 1, none}));
    EXPECT_LT(widget("drivePad")->y(), widget("liftPad")->y());
    EXPECT_GT(widget("drivePad")->x(), widget("lensPad")->x());

    EXPECT_EQ(cell("statusPanel"), (C{0, 0, 2, 7, none}));
    EXPECT_EQ(cell("displayPanle"), (C{0, 7, 3, 3, none}));
    QGridLayout* bottom = gridHolding(console.get(), widget("displayPanle"));
    ASSERT_NE(bottom, nullptr);
    for (int number = 1; number <= 7; ++number) {
        EXPECT_EQ(cellOf(console.get(), key(number)), (C{2, number - 1, 1, 1, none})) << number;
        EXPECT_EQ(bottom->columnStretch(number - 1), 1);
    }
    EXPECT_EQ(bottom->columnStretch(7), 3);
}

TEST_F(MainWidgetsPanels, KeyboardF2ShowsItsPressLookAndF7DoesNothing)
{
    EXPECT_TRUE(pressKey(Qt::Key_F2));
    EXPECT_TRUE(key(2)->isPressedLook());
    // The look ends by itself, as after a mouse click.
    EXPECT_TRUE(waitUntil([&] { return !key(2)->isPressedLook(); }));

    DebugCapture debug;
    EXPECT_TRUE(pressKey(Qt::Key_F7));
    QTest::mouseClick(key(7), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (int number = 1; number <= 7; ++number)
        EXPECT_FALSE(key(number)->isPressedLook()) << number;
    // Other keys go to the default handling, which leaves them to the parent.
    EXPECT_FALSE(pressKey(Qt::Key_A));
    EXPECT_FALSE(pressKey(Qt::Key_F8));
}

TEST_F(MainWidgetsPanels, F3AppliesTheProjectWithoutSaving)
{
    bool pressedWhileOpen = false;
    Qt::WindowFlags flags;
    QWidget* parent = nullptr;
    ASSERT_TRUE(consoletest::withModal<engineeringinfo>(
        [&] { QTest::mouseClick(key(3), Qt::LeftButton); },
        [&](engineeringinfo& dialog) {
            pressedWhileOpen = key(3)->isPressedLook();
            // A flat close button paints no black box on this platform.
            EXPECT_TRUE(dialog.findChild<QPushButton*>("pushButtonClose")->isFlat());
            flags = dialog.windowFlags();
            parent = dialog.parentWidget();
            auto* task = dialog.findChild<QLineEdit*>("lineEditOneTaskName");
            task->setText("T-17");
            dialog.findChild<QComboBox*>("comboBoxFontColor")
                ->setCurrentText(QString::fromUtf8("红"));
            dialog.findChild<QCheckBox*>("checkBoxSaveCurInfo")->setChecked(false);
            QTest::mouseClick(dialog.findChild<QPushButton*>("pushBtnOneSet"), Qt::LeftButton);
        }));
    EXPECT_TRUE(pressedWhileOpen);
    EXPECT_FALSE(key(3)->isPressedLook());
    EXPECT_EQ(flags, Qt::Dialog | Qt::FramelessWindowHint);
    EXPECT_EQ(parent, console.get());
    EXPECT_EQ(console->projectInfo()->m_strTaskName, "T-17");
    // Applying without saving also gives the overlay its new colour.
    EXPECT_EQ(console->projectInfo()->m_overlayColor, cv::Scalar(0, 0, 255, 0));
    EXPECT_TRUE(GetQStringFromIni("/systemconfig/taskname").isEmpty());
}

TEST_F(MainWidgetsPanels, KeyboardF5ChoosesTheOverlayFields)
{
    bool pressedWhileOpen = false;
    ASSERT_TRUE(consoletest::withModal<engineershoworhide>(
        [&] { EXPECT_TRUE(pressKey(Qt::Key_F5)); },
        [&](engineershoworhide& dialog) {
            pressedWhileOpen = key(5)->isPressedLook();
            EXPECT_TRUE(dialog.findChild<QPushButton*>("pushButtonClose")->isFlat());
            dialog.findChild<QCheckBox*>("checkBoxCompany")->setChecked(false);
            dialog.findChild<QCheckBox*>("checkBoCustomize")->setChecked(true);
            dialog.findChild<QLineEdit*>("lineEditCustomize")->setText("line");
            QTest::mouseClick(dialog.findChild<QPushButton*>("pushBtnOneSet"), Qt::LeftButton);
        }));
    EXPECT_TRUE(pressedWhileOpen);
    EXPECT_FALSE(key(5)->isPressedLook());
    const OverlayFields fields = console->overlayFields();
    EXPECT_FALSE(fields[0]);
    EXPECT_TRUE(fields[1]);
    EXPECT_EQ(console->customText(), "line");
}

TEST_F(MainWidgetsPanels, F6AnchorsTheDistanceAtTheReadingOfTheLink)
{
    LinkStatusRecord record{};
    record.Wir_length = 2000; // 20 m of cable
    deliver(*console, record);
    ASSERT_TRUE(waitUntil([&] { return console->distanceCalibration().m_dCurrentReading == 20; }));
    const auto setDistance = [&](const char* typed) {
        return consoletest::withModal<CodingSet>(
            [&] { QTest::mouseClick(key(6), Qt::LeftButton); },
            [&](CodingSet& dialog) {
                EXPECT_TRUE(key(6)->isPressedLook());
                EXPECT_TRUE(dialog.findChild<QPushButton*>("pushButtonClose")->isFlat());
                dialog.findChild<QLineEdit*>("lineEdit")->setText(typed);
                QTest::mouseClick(dialog.findChild<QPushButton*>("pushButtonSet"), Qt::LeftButton);
            });
    };
    ASSERT_TRUE(setDistance("5"));
    EXPECT_FALSE(key(6)->isPressedLook());
    DistanceCalibration calibration = console->distanceCalibration();
    EXPECT_EQ(shownDistance(calibration), 5);

    record.Wir_length = 2150;
    deliver(*console, record);
    ASSERT_TRUE(
        waitUntil([&] { return console->distanceCalibration().m_dCurrentReading == 21.5; }));
    EXPECT_DOUBLE_EQ(shownDistance(console->distanceCalibration()), 6.5);

    ASSERT_TRUE(consoletest::withModal<CodingSet>(
        [&] { QTest::mouseClick(key(6), Qt::LeftButton); },
        [&](CodingSet& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>("pushButtonClear"), Qt::LeftButton);
        }));
    record.Wir_length = 2300;
    deliver(*console, record);
    ASSERT_TRUE(waitUntil([&] { return console->distanceCalibration().m_dCurrentReading == 23; }));
    EXPECT_DOUBLE_EQ(shownDistance(console->distanceCalibration()), 1.5);
}

TEST_F(MainWidgetsPanels, ConsoleStateTheDialogsShareStartsNeutralAndKeepsReadings)
{
    for (bool shown : console->overlayFields())
        EXPECT_TRUE(shown);
    EXPECT_TRUE(console->customText().isEmpty());
    ProjectInfo info;
    info.m_strTaskName = "applied";
    const auto before = console->projectInfo();
    console->applyProjectInfo(info);
    EXPECT_EQ(console->projectInfo()->m_strTaskName, "applied");
    EXPECT_TRUE(before->m_strTaskName.isEmpty()); // a snapshot never changes

    LinkStatusRecord record{};
    record.Wir_length = 1234;
    deliver(*console, record);
    ASSERT_TRUE(waitUntil([&] { return console->distanceCalibration().m_dCurrentReading > 12; }));
    console->setDistanceCorrection(3, 4);
    console->setDistanceOverlaySwitch("1");
    const DistanceCalibration calibration = console->distanceCalibration();
    EXPECT_DOUBLE_EQ(calibration.m_dCurrentReading, static_cast<float>(12.34));
    EXPECT_EQ(calibration.m_dZeroReference, 3);
    EXPECT_EQ(calibration.m_dStartDistance, 4);
    EXPECT_EQ(calibration.m_strOverlaySwitch, "1");
}

} // namespace
