#include "StatusFields.h"

#include <cstdint>
#include <cstring>

namespace crawlersim {
namespace {

#define FIELD(member, type)                                                                        \
    {                                                                                              \
#member, offsetof(LinkStatusRecord, member), FieldType::type                               \
    }
#define ELEMENT(member, index, type)                                                               \
    {                                                                                              \
#member "[" #index "]", offsetof(LinkStatusRecord, member) + (index) * sizeof(float),      \
            FieldType::type                                                                        \
    }

constexpr StatusField kFields[] = {
    FIELD(Cam_Pressure, I32),
    FIELD(Car_Pressure, I32),
    FIELD(Cam_temperature, F32),
    FIELD(Cam_humidity, F32),
    ELEMENT(A, 0, F32),
    ELEMENT(A, 1, F32),
    ELEMENT(A, 2, F32),
    ELEMENT(W, 0, F32),
    ELEMENT(W, 1, F32),
    ELEMENT(W, 2, F32),
    ELEMENT(H, 0, F32),
    ELEMENT(H, 1, F32),
    ELEMENT(H, 2, F32),
    FIELD(Angle_Roll, F32),
    FIELD(Angle_Pitch, F32),
    FIELD(Angle_Yaw, F32),
    FIELD(Device_Voltage, F32),
    FIELD(Device_Current, F32),
    FIELD(Distence_Measure, F32),
    FIELD(Car_temperature, F32),
    FIELD(Car_humidity, F32),
    FIELD(Cam_Change_Status, U8),
    {"PWM[0]", offsetof(LinkStatusRecord, PWM), FieldType::U16},
    {"PWM[1]", offsetof(LinkStatusRecord, PWM) + sizeof(uint16_t), FieldType::U16},
    FIELD(ARM_distence, U16),
    FIELD(WirCar_Voltage, F32),
    FIELD(WirCar_Current, F32),
    FIELD(Wir_length, U32),
    FIELD(NRF_Status, U8),
};

#undef FIELD
#undef ELEMENT

template <typename T> void store(LinkStatusRecord& record, size_t offset, T value)
{
    std::memcpy(reinterpret_cast<unsigned char*>(&record) + offset, &value, sizeof(value));
}

} // namespace

const StatusField* findStatusField(std::string_view name)
{
    for (const StatusField& field : kFields) {
        if (name == field.name) {
            return &field;
        }
    }
    return nullptr;
}

void writeStatusField(LinkStatusRecord& record, const StatusField& field, double value)
{
    const auto whole = static_cast<int64_t>(value);
    switch (field.type) {
    case FieldType::I32:
        store(record, field.offset, static_cast<int32_t>(whole));
        break;
    case FieldType::U32:
        store(record, field.offset, static_cast<uint32_t>(whole));
        break;
    case FieldType::U16:
        store(record, field.offset, static_cast<uint16_t>(whole));
        break;
    case FieldType::U8:
        store(record, field.offset, static_cast<uint8_t>(whole));
        break;
    case FieldType::F32:
        store(record, field.offset, static_cast<float>(value));
        break;
    }
}

} // namespace crawlersim
