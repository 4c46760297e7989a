#include "PravikFields.h"

#include <QtGlobal>

#include "PravikConversions.h"

#define PRAVIK_CAPTION(text) QT_TRANSLATE_NOOP("CPravikDlg", text)

namespace {

constexpr int kFloatDigits = 6;

} // namespace

QString FloatText(float value)
{
    return QString::number(static_cast<double>(value), 'g', kFloatDigits);
}

QString IntText(long long value)
{
    return QString::number(value);
}

const std::vector<StatusField>& StatusFields()
{
    using R = const LinkStatusRecord&;
    static const std::vector<StatusField> fields = {
        {0, 1000, PRAVIK_CAPTION("Car_Pressure"), [](R r) { return IntText(r.Car_Pressure); }},
        {0, 1001, PRAVIK_CAPTION("Cam_Pressure"), [](R r) { return IntText(r.Cam_Pressure); }},
        {1, 1002, PRAVIK_CAPTION("A[0]"), [](R r) { return FloatText(r.A[0]); }},
        {1, 1003, PRAVIK_CAPTION("A[1]"), [](R r) { return FloatText(r.A[1]); }},
        {1, 1004, PRAVIK_CAPTION("A[2]"), [](R r) { return FloatText(r.A[2]); }},
        {2, 1005, PRAVIK_CAPTION("W[0]"), [](R r) { return FloatText(r.W[0]); }},
        {2, 1006, PRAVIK_CAPTION("W[1]"), [](R r) { return FloatText(r.W[1]); }},
        {2, 1007, PRAVIK_CAPTION("W[2]"), [](R r) { return FloatText(r.W[2]); }},
        {3, 1008, PRAVIK_CAPTION("H[0]"), [](R r) { return FloatText(r.H[0]); }},
        {3, 1009, PRAVIK_CAPTION("H[1]"), [](R r) { return FloatText(r.H[1]); }},
        {3, 1010, PRAVIK_CAPTION("H[2]"), [](R r) { return FloatText(r.H[2]); }},
        {4, 1011, PRAVIK_CAPTION("Angle_Pitch"), [](R r) { return FloatText(r.Angle_Pitch); }},
        {4, 1012, PRAVIK_CAPTION("Angle_Roll"), [](R r) { return FloatText(r.Angle_Roll); }},
        {4, 1013, PRAVIK_CAPTION("Angle_Yaw"), [](R r) { return FloatText(r.Angle_Yaw); }},
        {5, 1014, PRAVIK_CAPTION("Device_Voltage"),
         [](R r) { return FloatText(r.Device_Voltage); }},
        {5, 1015, PRAVIK_CAPTION("Device_Current"),
         [](R r) { return FloatText(r.Device_Current); }},
        {6, 1016, PRAVIK_CAPTION("WirCar_Voltage"),
         [](R r) { return FloatText(r.WirCar_Voltage); }},
        {6, 1017, PRAVIK_CAPTION("WirCar_Current"),
         [](R r) { return FloatText(r.WirCar_Current); }},
        {7, 1018, PRAVIK_CAPTION("Distence_Measure"),
         [](R r) { return FloatText(r.Distence_Measure); }},
        {8, 1020, PRAVIK_CAPTION("Car_temperature"),
         [](R r) { return FloatText(r.Car_temperature); }},
        {8, 1021, PRAVIK_CAPTION("Car_humidity"), [](R r) { return FloatText(r.Car_humidity); }},
        {9, 1022, PRAVIK_CAPTION("Cam_temperature"),
         [](R r) { return FloatText(r.Cam_temperature); }},
        {9, 1023, PRAVIK_CAPTION("Cam_humidity"), [](R r) { return FloatText(r.Cam_humidity); }},
        {10, 1024, PRAVIK_CAPTION("PWM[0]"), [](R r) { return IntText(ConvertPwm0(r.PWM[0])); }},
        {10, 1025, PRAVIK_CAPTION("PWM[1]"), [](R r) { return IntText(ConvertPwm1(r.PWM[1])); }},
        {10, 1026, PRAVIK_CAPTION("ARM_distence"),
         [](R r) { return FloatText(ConvertArmDistance(r.ARM_distence)); }},
        {11, 1027, PRAVIK_CAPTION("Wir_length"),
         [](R r) { return FloatText(ConvertWirLength(r.Wir_length)); }},
        {11, 1028, PRAVIK_CAPTION("Cam_Change_Status"),
         [](R r) { return IntText(r.Cam_Change_Status); }},
        {kStatusSecondGroupRow, 1046, PRAVIK_CAPTION("WirCar_Voltage"),
         [](R r) { return FloatText(r.WirCar_Voltage); }},
        {kStatusSecondGroupRow, 1047, PRAVIK_CAPTION("WirCar_Current"),
         [](R r) { return FloatText(r.WirCar_Current); }},
        {kStatusSecondGroupRow, 1048, PRAVIK_CAPTION("NRF_Status"),
         [](R r) { return IntText(r.NRF_Status); }},
    };
    return fields;
}

const std::vector<EchoRow>& EchoRows()
{
    using R = const LinkControlRecord&;
    using Op = LinkOperation;
    static const std::vector<EchoRow> rows = {
        {1029,
         PRAVIK_CAPTION("Key_Safe_Status"),
         [](R r) { return IntText(r.Key_Safe_Status); },
         {{1019, "0x00", Op::KeySafe, 0}, {1043, "0xFF", Op::KeySafe, 255}}},
        {1030,
         PRAVIK_CAPTION("Car_Direct_Status"),
         [](R r) { return IntText(r.Car_Direct_Status); },
         {{1062, "0", Op::CarDirect, 0},
          {1063, "1", Op::CarDirect, 1},
          {1064, "2", Op::CarDirect, 2},
          {1065, "3", Op::CarDirect, 3},
          {1066, "4", Op::CarDirect, 4}}},
        {1031,
         PRAVIK_CAPTION("Car_PWM_Value[0]"),
         [](R r) { return IntText(r.Car_PWM_Value[0]); },
         {{1044, "500", Op::CarPwm0, 500},
          {1080, "1500", Op::CarPwm0, 1500},
          {1081, "2000", Op::CarPwm0, 2000}}},
        {1032,
         PRAVIK_CAPTION("Car_PWM_Value[1]"),
         [](R r) { return IntText(r.Car_PWM_Value[1]); },
         {{1045, "500", Op::CarPwm1, 500},
          {1082, "1500", Op::CarPwm1, 1500},
          {1083, "2000", Op::CarPwm1, 2000}}},
        {1033,
         PRAVIK_CAPTION("Arm_PWM_Value"),
         [](R r) { return IntText(r.Arm_PWM_Value); },
         {{1049, "1000", Op::ArmPwm, 1000},
          {1067, "1500", Op::ArmPwm, 1500},
          {1068, "2000", Op::ArmPwm, 2000}}},
        {1034,
         PRAVIK_CAPTION("Back_LED_Status"),
         [](R r) { return IntText(r.Back_LED_Status); },
         {{1050, "0", Op::BackLed, 0}, {1069, "100", Op::BackLed, 100}}},
        {1035,
         PRAVIK_CAPTION("Pho_PWM_Value[0]"),
         [](R r) { return IntText(r.Pho_PWM_Value[0]); },
         {{1051, "500", Op::PhoPwm0, 500},
          {1070, "1500", Op::PhoPwm0, 1500},
          {1071, "2000", Op::PhoPwm0, 2000}}},
        {1036,
         PRAVIK_CAPTION("Pho_PWM_Value[1]"),
         [](R r) { return IntText(r.Pho_PWM_Value[1]); },
         {{1052, "500", Op::PhoPwm1, 500},
          {1072, "1500", Op::PhoPwm1, 1500},
          {1073, "2000", Op::PhoPwm1, 2000}}},
        {1037,
         PRAVIK_CAPTION("Pho_BorS_Status"),
         [](R r) { return IntText(r.Pho_BorS_Status); },
         {{1053, "100", Op::PhoBorS, 100},
          {1074, "150", Op::PhoBorS, 150},
          {1075, "200", Op::PhoBorS, 200},
          {1076, "0", Op::PhoBorS, 0}}},
        {1038,
         PRAVIK_CAPTION("Pho_ForN_Status"),
         [](R r) { return IntText(r.Pho_ForN_Status); },
         {{1054, "100", Op::PhoForN, 100},
          {1077, "150", Op::PhoForN, 150},
          {1078, "200", Op::PhoForN, 200},
          {1079, "0", Op::PhoForN, 0}}},
        {1039,
         PRAVIK_CAPTION("Lamp_PWM_Value"),
         [](R r) { return IntText(r.Lamp_PWM_Value); },
         {{1055, "0", Op::LampPwm, 0},
          {1084, "500", Op::LampPwm, 500},
          {1085, "1000", Op::LampPwm, 1000}}},
        {1040,
         PRAVIK_CAPTION("PhoDisHum_Status"),
         [](R r) { return IntText(r.PhoDisHum_Status); },
         {{1056, "0x00", Op::PhoDisHum, 0}, {1057, "0xFF", Op::PhoDisHum, 255}}},
        {1041,
         PRAVIK_CAPTION("AutoWir_Status"),
         [](R r) { return IntText(r.AutoWir_Status); },
         {{1058, "0x00", Op::AutoWir, 0}, {1059, "0xFF", Op::AutoWir, 255}}},
        {1042,
         PRAVIK_CAPTION("DisMearsure_Status"),
         [](R r) { return IntText(r.DisMearsure_Status); },
         {{1060, "0x00", Op::DisMeasure, 0}, {1061, "0xFF", Op::DisMeasure, 255}}},
    };
    return rows;
}
