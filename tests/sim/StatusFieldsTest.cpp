#include <gtest/gtest.h>

#include "StatusFields.h"

using crawlersim::findStatusField;
using crawlersim::writeStatusField;

TEST(StatusFields, WritesEachNamedMemberWithItsType)
{
    LinkStatusRecord record{};
    writeStatusField(record, *findStatusField("Car_Pressure"), 999);
    writeStatusField(record, *findStatusField("Cam_Pressure"), -1500.7);
    writeStatusField(record, *findStatusField("Wir_length"), 250);
    writeStatusField(record, *findStatusField("Angle_Roll"), 3.5);
    writeStatusField(record, *findStatusField("H[2]"), 0.5);
    writeStatusField(record, *findStatusField("PWM[1]"), 1533);
    writeStatusField(record, *findStatusField("ARM_distence"), 3);
    writeStatusField(record, *findStatusField("NRF_Status"), 255);
    writeStatusField(record, *findStatusField("Cam_Change_Status"), 1);
    EXPECT_EQ(record.Car_Pressure, 999);
    EXPECT_EQ(record.Cam_Pressure, -1500);
    EXPECT_EQ(record.Wir_length, 250u);
    EXPECT_FLOAT_EQ(record.Angle_Roll, 3.5F);
    EXPECT_FLOAT_EQ(record.H[2], 0.5F);
    EXPECT_FLOAT_EQ(record.H[1], 0.0F);
    EXPECT_EQ(record.PWM[1], 1533);
    EXPECT_EQ(record.PWM[0], 0);
    EXPECT_EQ(record.ARM_distence, 3);
    EXPECT_EQ(record.NRF_Status, 255);
    EXPECT_EQ(record.Cam_Change_Status, 1);
    EXPECT_EQ(record.reserved0, 0);
}

TEST(StatusFields, KnowsOnlyRecordMembers)
{
    EXPECT_EQ(findStatusField("reserved0"), nullptr);
    EXPECT_EQ(findStatusField("A[3]"), nullptr);
    EXPECT_EQ(findStatusField("car_pressure"), nullptr);
    for (const char* name :
         {"Cam_temperature", "Cam_humidity", "A[0]", "W[1]", "Angle_Yaw", "Device_Voltage",
          "Device_Current", "Distence_Measure", "Car_temperature", "Car_humidity", "WirCar_Voltage",
          "WirCar_Current"}) {
        EXPECT_NE(findStatusField(name), nullptr) << name;
    }
}
