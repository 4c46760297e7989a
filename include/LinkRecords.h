// Records the robot link delivers: the crawler's status and its echo of
// the last command values. Little-endian on the wire, laid out exactly as
// they travel so the link library can copy them in and out.
#pragma once

#include <cstddef>
#include <cstdint>

struct LinkStatusRecord {
    int32_t Cam_Pressure;     // lens housing air pressure, Pa
    int32_t Car_Pressure;     // body air pressure, Pa
    float Cam_temperature;    // degrees C
    float Cam_humidity;
    float A[3];
    float W[3];
    float H[3];
    float Angle_Roll;         // degrees
    float Angle_Pitch;        // degrees
    float Angle_Yaw;          // heading, degrees
    float Device_Voltage;
    float Device_Current;
    float Distence_Measure;
    float Car_temperature;    // degrees C
    float Car_humidity;
    uint8_t Cam_Change_Status;
    uint8_t reserved0;
    uint16_t PWM[2];          // raw camera head channels
    uint16_t ARM_distence;    // lift position index
    float WirCar_Voltage;
    float WirCar_Current;
    uint32_t Wir_length;      // paid-out cable, cm
    uint8_t NRF_Status;       // 255: the wireless remote holds control
    uint8_t reserved1[3];
};

static_assert(sizeof(LinkStatusRecord) == 108, "status record is 108 bytes");
static_assert(offsetof(LinkStatusRecord, Cam_Pressure) == 0);
static_assert(offsetof(LinkStatusRecord, Car_Pressure) == 4);
static_assert(offsetof(LinkStatusRecord, Cam_temperature) == 8);
static_assert(offsetof(LinkStatusRecord, Cam_humidity) == 12);
static_assert(offsetof(LinkStatusRecord, A) == 16);
static_assert(offsetof(LinkStatusRecord, W) == 28);
static_assert(offsetof(LinkStatusRecord, H) == 40);
static_assert(offsetof(LinkStatusRecord, Angle_Roll) == 52);
static_assert(offsetof(LinkStatusRecord, Angle_Pitch) == 56);
static_assert(offsetof(LinkStatusRecord, Angle_Yaw) == 60);
static_assert(offsetof(LinkStatusRecord, Device_Voltage) == 64);
static_assert(offsetof(LinkStatusRecord, Device_Current) == 68);
static_assert(offsetof(LinkStatusRecord, Distence_Measure) == 72);
static_assert(offsetof(LinkStatusRecord, Car_temperature) == 76);
static_assert(offsetof(LinkStatusRecord, Car_humidity) == 80);
static_assert(offsetof(LinkStatusRecord, Cam_Change_Status) == 84);
static_assert(offsetof(LinkStatusRecord, PWM) == 86);
static_assert(offsetof(LinkStatusRecord, ARM_distence) == 90);
static_assert(offsetof(LinkStatusRecord, WirCar_Voltage) == 92);
static_assert(offsetof(LinkStatusRecord, WirCar_Current) == 96);
static_assert(offsetof(LinkStatusRecord, Wir_length) == 100);
static_assert(offsetof(LinkStatusRecord, NRF_Status) == 104);

#pragma pack(push, 1)
struct LinkControlRecord {
    uint8_t Key_Safe_Status;
    uint8_t Car_Direct_Status;
    uint16_t Car_PWM_Value[2];
    uint16_t Arm_PWM_Value;
    uint8_t Back_LED_Status;
    uint8_t reserved0;
    uint16_t Pho_PWM_Value[2];
    uint8_t Pho_BorS_Status;
    uint8_t Pho_ForN_Status;
    uint16_t Lamp_PWM_Value;
    uint8_t PhoDisHum_Status;
    uint8_t AutoWir_Status;
    uint8_t DisMearsure_Status;
};
#pragma pack(pop)

static_assert(sizeof(LinkControlRecord) == 21, "control echo record is 21 bytes");
static_assert(offsetof(LinkControlRecord, Key_Safe_Status) == 0);
static_assert(offsetof(LinkControlRecord, Car_Direct_Status) == 1);
static_assert(offsetof(LinkControlRecord, Car_PWM_Value) == 2);
static_assert(offsetof(LinkControlRecord, Arm_PWM_Value) == 6);
static_assert(offsetof(LinkControlRecord, Back_LED_Status) == 8);
static_assert(offsetof(LinkControlRecord, Pho_PWM_Value) == 10);
static_assert(offsetof(LinkControlRecord, Pho_BorS_Status) == 14);
static_assert(offsetof(LinkControlRecord, Pho_ForN_Status) == 15);
static_assert(offsetof(LinkControlRecord, Lamp_PWM_Value) == 16);
static_assert(offsetof(LinkControlRecord, PhoDisHum_Status) == 18);
static_assert(offsetof(LinkControlRecord, AutoWir_Status) == 19);
static_assert(offsetof(LinkControlRecord, DisMearsure_Status) == 20);
