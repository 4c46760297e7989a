// What old files' names say, and which project an old name belongs to.
#include "filenamefields.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

qint64 localMs(const char* text)
{
    return QDateTime::fromString(text, "yyyyMMddHHmmss").toMSecsSinceEpoch();
}

TEST(FileNameFields, ConsoleNamesGiveLocationWellsDistanceAndTimeAlsoWithACounter)
{
    const NameFields video = parseFileName("滨江路-Y12-Y13-20261207101530", false);
    ASSERT_TRUE(video.ok);
    EXPECT_EQ(video.project.value("location"), "滨江路");
    EXPECT_EQ(video.project.value("startwellno"), "Y12");
    EXPECT_EQ(video.project.value("endwellno"), "Y13");
    EXPECT_EQ(video.project.size(), projectKeys().size());
    EXPECT_EQ(video.timeMs, localMs("20261207101530"));
    EXPECT_EQ(video.timeText, "2026-12-07 10:15:30");
    EXPECT_FALSE(known(video.distanceM));

    const NameFields second = parseFileName("Ring Road-W12-W13-12.35M-20261207101530-3", true);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.project.value("location"), "Ring Road");
    EXPECT_DOUBLE_EQ(second.distanceM, 12.35);
    EXPECT_EQ(second.timeMs, localMs("20261207101530"));

    // Empty fields leave dashes in a row.
    const NameFields empty = parseFileName("---0.00M-20261207101530", true);
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(empty.project.value("location"), "");
    EXPECT_EQ(empty.distanceM, 0.0);
}

TEST(FileNameFields, OtherNamesAreNotTakenForConsoleNames)
{
    for (const auto& [name, snapshot] :
         {std::pair{"IMG_0001", true}, std::pair{"A-1-2-2026120710153", false},
          std::pair{"A-1-2-20261332101530", false}, std::pair{"A-1-2-12.35-20261207101530", true},
          std::pair{"A-1-2-xM-20261207101530", true}, std::pair{"20261207101530", false}}) {
        EXPECT_FALSE(parseFileName(name, snapshot).ok) << name;
    }
}

TEST(FileNameFields, DashInsideAFieldLeavesOnlyTheLocationButThePrefixFindsItsProject)
{
    const NameFields split = parseFileName("A-B-1-2-20261207101530", false);
    ASSERT_TRUE(split.ok);
    EXPECT_EQ(split.project.value("location"), "A");
    EXPECT_EQ(split.project.value("startwellno"), "");
    EXPECT_EQ(split.project.value("endwellno"), "");

    const ProjectFields dashed{{"location", "A-B"}, {"startwellno", "1"}, {"endwellno", "2"}};
    EXPECT_EQ(projectPrefixLength("A-B-1-2-20261207101530", false, dashed), 8);
    EXPECT_EQ(projectPrefixLength("A-B-1-2-5.00M-20261207101530-2", true, dashed), 8);
    // The rest must still be a console name.
    EXPECT_EQ(projectPrefixLength("A-B-1-2-extra-20261207101530", false, dashed), 0);
    const ProjectFields other{{"location", "A"}, {"startwellno", "1"}, {"endwellno", "2"}};
    EXPECT_EQ(projectPrefixLength("A-B-1-2-20261207101530", false, other), 0);
}

} // namespace
