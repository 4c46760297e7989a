#include <gtest/gtest.h>

#include <QSet>
#include <cstring>

#include "PravikConversions.h"
#include "PravikFields.h"
#include "QStringPrint.h"

namespace {

LinkStatusRecord ZeroStatus()
{
    LinkStatusRecord record;
    std::memset(&record, 0, sizeof record);
    return record;
}

QString StatusText(const LinkStatusRecord& record, int id)
{
    for (const StatusField& field : StatusFields()) {
        if (field.id == id) {
            return field.text(record);
        }
    }
    ADD_FAILURE() << "no status field " << id;
    return {};
}

} // namespace

TEST(PravikConversions, Pwm0IsDegreesFromNeutral1500)
{
    EXPECT_EQ(ConvertPwm0(2000), 45);
    EXPECT_EQ(ConvertPwm0(1000), -45);
    EXPECT_EQ(ConvertPwm0(1500), 0);
    // 11 * 0.09 = 0.99 and -0.99: truncated toward zero, not floored or rounded.
    EXPECT_EQ(ConvertPwm0(1511), 0);
    EXPECT_EQ(ConvertPwm0(1489), 0);
    EXPECT_EQ(ConvertPwm0(0), -135);
    EXPECT_EQ(ConvertPwm0(65535), 5763);
}

TEST(PravikConversions, Pwm1IsDegreesFromNeutral1533)
{
    EXPECT_EQ(ConvertPwm1(1533), 0);
    EXPECT_EQ(ConvertPwm1(2000), 84);  // 84.06
    EXPECT_EQ(ConvertPwm1(1000), -95); // -95.94
    EXPECT_EQ(ConvertPwm1(1500), -5);  // -5.94
    EXPECT_EQ(ConvertPwm1(0), -275);
    EXPECT_EQ(ConvertPwm1(65535), 11520);
}

TEST(PravikConversions, ArmIndexSelectsTableAndPastTableShowsZero)
{
    const float table[] = {0.8f, 1.15f, 1.3f, 1.6f, 1.8f, 2.2f, 2.3f, 2.4f};
    for (uint16_t index = 0; index < 8; ++index) {
        EXPECT_FLOAT_EQ(ConvertArmDistance(index), table[index]) << "index " << index;
    }
    EXPECT_EQ(ConvertArmDistance(8), 0.0f);
    EXPECT_EQ(ConvertArmDistance(65535), 0.0f);
}

TEST(PravikConversions, WirLengthIsMetres)
{
    EXPECT_FLOAT_EQ(ConvertWirLength(2500), 25.0f);
    EXPECT_FLOAT_EQ(ConvertWirLength(250), 2.5f);
    EXPECT_FLOAT_EQ(ConvertWirLength(1), 0.01f);
    EXPECT_FLOAT_EQ(ConvertWirLength(4294967295u), 42949672.95f);
}

TEST(PravikStatusFields, ShowConvertedValuesAsTheFieldsDisplayThem)
{
    LinkStatusRecord record = ZeroStatus();
    record.PWM[0] = 2000;
    record.PWM[1] = 2000;
    record.Wir_length = 2500;
    record.ARM_distence = 3;
    EXPECT_EQ(StatusText(record, 1024), "45");
    EXPECT_EQ(StatusText(record, 1025), "84");
    EXPECT_EQ(StatusText(record, 1027), "25");
    EXPECT_EQ(StatusText(record, 1026), "1.6");

    record.PWM[0] = 1000;
    record.ARM_distence = 8;
    EXPECT_EQ(StatusText(record, 1024), "-45");
    EXPECT_EQ(StatusText(record, 1026), "0");
}

TEST(PravikStatusFields, CopyEveryOtherFieldUnconverted)
{
    LinkStatusRecord record = ZeroStatus();
    record.Car_Pressure = -999;
    record.Cam_Pressure = 101325;
    record.A[0] = 1.5f;
    record.A[1] = -2.25f;
    record.A[2] = 3.0f;
    record.W[0] = 4.0f;
    record.W[1] = 5.0f;
    record.W[2] = 6.0f;
    record.H[0] = 7.0f;
    record.H[1] = 8.0f;
    record.H[2] = 9.0f;
    record.Angle_Pitch = -1.25f;
    record.Angle_Roll = 3.5f;
    record.Angle_Yaw = 359.75f;
    record.Device_Voltage = 24.5f;
    record.Device_Current = 1.125f;
    record.WirCar_Voltage = 48.25f;
    record.WirCar_Current = 0.5f;
    record.Distence_Measure = 12.75f;
    record.Car_temperature = 31.5f;
    record.Car_humidity = 55.0f;
    record.Cam_temperature = 28.25f;
    record.Cam_humidity = 60.5f;
    record.Cam_Change_Status = 200;
    record.NRF_Status = 255;

    const QList<QPair<int, QString>> expected = {
        {1000, "-999"},  {1001, "101325"}, {1002, "1.5"},  {1003, "-2.25"},  {1004, "3"},
        {1005, "4"},     {1006, "5"},      {1007, "6"},    {1008, "7"},      {1009, "8"},
        {1010, "9"},     {1011, "-1.25"},  {1012, "3.5"},  {1013, "359.75"}, {1014, "24.5"},
        {1015, "1.125"}, {1016, "48.25"},  {1017, "0.5"},  {1018, "12.75"},  {1020, "31.5"},
        {1021, "55"},    {1022, "28.25"},  {1023, "60.5"}, {1028, "200"},    {1046, "48.25"},
        {1047, "0.5"},   {1048, "255"},
    };
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(StatusText(record, id), text) << "field id" << id;
    }
}

TEST(PravikStatusFields, FloatsShowSixSignificantDigits)
{
    EXPECT_EQ(FloatText(3.14159274f), "3.14159");
    EXPECT_EQ(FloatText(123456789.0f), "1.23457e+08");
    EXPECT_EQ(FloatText(0.0f), "0");
}

TEST(PravikFieldTables, EveryRecordFieldHasOneUniqueControlId)
{
    QSet<int> ids;
    for (const StatusField& field : StatusFields()) {
        EXPECT_FALSE(ids.contains(field.id)) << field.id;
        ids.insert(field.id);
    }
    for (const EchoRow& row : EchoRows()) {
        EXPECT_FALSE(ids.contains(row.id)) << row.id;
        ids.insert(row.id);
        for (const CommandButton& button : row.buttons) {
            EXPECT_FALSE(ids.contains(button.id)) << button.id;
            ids.insert(button.id);
        }
    }
    for (const CameraButton& button : CameraButtons()) {
        EXPECT_FALSE(ids.contains(button.command.id)) << button.command.id;
        ids.insert(button.command.id);
    }
    // 31 status fields, 14 echo fields, 41 row buttons, 7 camera buttons.
    EXPECT_EQ(StatusFields().size(), 31u);
    EXPECT_EQ(EchoRows().size(), 14u);
    EXPECT_EQ(ids.size(), 31 + 14 + 41 + 7);
}

TEST(PravikFieldTables, StatusRowsHoldAtMostThreePairs)
{
    QHash<int, int> perRow;
    for (const StatusField& field : StatusFields()) {
        EXPECT_LE(++perRow[field.row], 3) << "row " << field.row;
    }
}
