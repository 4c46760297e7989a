#include "distancecalibration.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

DistanceCalibration calibration(double dReading, double dZero, double dStart)
{
    DistanceCalibration c;
    c.m_dCurrentReading = dReading;
    c.m_dZeroReference = dZero;
    c.m_dStartDistance = dStart;
    return c;
}

TEST(DistanceCalibration, StartsAtZeroAndShowsTheReadingUncorrected)
{
    DistanceCalibration fresh;
    EXPECT_EQ(shownDistance(fresh), 0.0);
    EXPECT_TRUE(fresh.m_strOverlaySwitch.isEmpty());
    fresh.m_dCurrentReading = 147.5;
    EXPECT_DOUBLE_EQ(shownDistance(fresh), 147.5);
}

TEST(DistanceCalibration, ShowsReadingMinusZeroReferencePlusStartDistance)
{
    EXPECT_DOUBLE_EQ(shownDistance(calibration(12.25, 2.0, 0.5)), 10.75);
    EXPECT_DOUBLE_EQ(shownDistance(calibration(21.5, 20.0, 5.0)), 6.5);
    EXPECT_DOUBLE_EQ(shownDistance(calibration(21.5, 20.0, 0.0)), 1.5);
}

TEST(DistanceCalibration, NeverShowsANegativeDistance)
{
    EXPECT_EQ(shownDistance(calibration(1.0, 2.0, 0.0)), 0.0);
    EXPECT_EQ(shownDistance(calibration(10.0, 20.0, 5.0)), 0.0);
    EXPECT_EQ(shownDistance(calibration(10.0, 0.0, -12.0)), 0.0);
    EXPECT_DOUBLE_EQ(shownDistance(calibration(10.0, 0.0, -4.0)), 6.0);
}

TEST(DistanceCalibration, NonFiniteInputsShowZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(shownDistance(calibration(10.0, 0.0, inf)), 0.0);
    EXPECT_EQ(shownDistance(calibration(10.0, 0.0, nan)), 0.0);
    EXPECT_EQ(shownDistance(calibration(nan, 0.0, 1.0)), 0.0);
}

TEST(DistanceCalibration, TextHasExactlyTwoDecimals)
{
    EXPECT_EQ(distanceText(3.456), "3.46");
    EXPECT_EQ(distanceText(12.5), "12.50");
    EXPECT_EQ(distanceText(0.0), "0.00");
    EXPECT_EQ(distanceText(10.75), "10.75");
    EXPECT_EQ(distanceText(150.0), "150.00");
    EXPECT_EQ(distanceText(shownDistance(calibration(1.0, 5.0, 0.0))), "0.00");
}

} // namespace
