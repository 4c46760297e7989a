#include "CrawlerModel.h"

#include <algorithm>
#include <cmath>

#include "linkproto/Codec.h"

namespace crawlersim {
namespace {

constexpr uint16_t kServoNeutral = 1500;
constexpr double kServoSpan = 500.0;   // servo offset for full scale
constexpr double kFullSpeed = 0.5;     // m/s per track at full scale
constexpr double kTrackGauge = 0.3;    // m between the tracks
constexpr double kReelCm = 15000.0;    // 150 m of cable
constexpr double kArmTop = 7.0;        // highest lift position index
constexpr double kArmRate = 2.0;       // positions per second at full scale
constexpr double kHeadRate = 1000.0;   // raw camera head units per second
constexpr double kAttitudeLimit = 5.0; // degrees the body rocks at most
constexpr double kAmbientPressure = 101325.0;
constexpr double kAmbientTemperature = 18.0;
constexpr double kSupplyVoltage = 24.0;
constexpr double kIdleCurrent = 0.4;
constexpr double kDriveCurrent = 2.5; // extra amperes at full speed
constexpr double kLaserRange = 1.8;   // m to the pipe wall ahead
constexpr double kRadToDeg = 57.29577951308232;

double trackSpeed(uint16_t pwm)
{
    // Values below neutral drive the track forward.
    const double scale = (kServoNeutral - static_cast<double>(pwm)) / kServoSpan;
    return std::clamp(scale, -1.0, 1.0) * kFullSpeed;
}

} // namespace

CrawlerModel::CrawlerModel(uint32_t seed)
    : random_(seed), head_{kServoNeutral, kServoNeutral}, camPressure_(kAmbientPressure),
      carPressure_(kAmbientPressure), camTemperature_(kAmbientTemperature),
      carTemperature_(kAmbientTemperature)
{
    neutral();
}

void CrawlerModel::neutral()
{
    control_.Key_Safe_Status = 0;
    control_.Car_PWM_Value[0] = kServoNeutral;
    control_.Car_PWM_Value[1] = kServoNeutral;
    control_.Arm_PWM_Value = kServoNeutral;
    control_.Pho_PWM_Value[0] = kServoNeutral;
    control_.Pho_PWM_Value[1] = kServoNeutral;
    control_.Pho_BorS_Status = 0;
    control_.Pho_ForN_Status = 0;
}

void CrawlerModel::apply(const linkproto::Frame& frame)
{
    using linkproto::MsgType;
    const uint8_t* payload = frame.payload.data();
    const uint8_t byte = payload[0];
    const uint16_t word = linkproto::getU16(payload);
    switch (frame.type) {
    case MsgType::ResetControl:
        neutral();
        break;
    case MsgType::SetKeySafe:
        control_.Key_Safe_Status = byte;
        break;
    case MsgType::SetCarDirect:
        control_.Car_Direct_Status = byte;
        break;
    case MsgType::SetCarPwm0:
        control_.Car_PWM_Value[0] = word;
        break;
    case MsgType::SetCarPwm1:
        control_.Car_PWM_Value[1] = word;
        break;
    case MsgType::SetCarPwm:
        control_.Car_PWM_Value[0] = word;
        control_.Car_PWM_Value[1] = linkproto::getU16(payload + 2);
        break;
    case MsgType::SetArmPwm:
        control_.Arm_PWM_Value = word;
        break;
    case MsgType::SetBackLed:
        control_.Back_LED_Status = byte;
        break;
    case MsgType::SetPhoPwm0:
        control_.Pho_PWM_Value[0] = word;
        break;
    case MsgType::SetPhoPwm1:
        control_.Pho_PWM_Value[1] = word;
        break;
    case MsgType::SetPhoCenter:
        control_.Pho_PWM_Value[0] = kServoNeutral;
        control_.Pho_PWM_Value[1] = kServoNeutral;
        break;
    case MsgType::SetPhoBorS:
        control_.Pho_BorS_Status = byte;
        break;
    case MsgType::SetPhoForN:
        control_.Pho_ForN_Status = byte;
        break;
    case MsgType::SetPhoReset:
        // The lens returns to its home position; zoom and focus stop.
        control_.Pho_BorS_Status = 0;
        control_.Pho_ForN_Status = 0;
        break;
    case MsgType::SetLampPwm:
        control_.Lamp_PWM_Value = word;
        break;
    case MsgType::SetPhoDisHum:
        control_.PhoDisHum_Status = byte;
        break;
    case MsgType::SetAutoWir:
        control_.AutoWir_Status = byte;
        break;
    case MsgType::SetDisMeasure:
        control_.DisMearsure_Status = byte;
        break;
    case MsgType::Heartbeat:
    case MsgType::Status:
    case MsgType::ControlEcho:
        break;
    }
}

double CrawlerModel::noise(double sigma)
{
    return std::normal_distribution<double>(0.0, sigma)(random_);
}

double CrawlerModel::driftToward(double value, double target, double maxStep)
{
    return value + std::clamp(target - value, -maxStep, maxStep);
}

void CrawlerModel::step(double seconds)
{
    const double left = trackSpeed(control_.Car_PWM_Value[0]);
    const double right = trackSpeed(control_.Car_PWM_Value[1]);
    speed_ = (left + right) / 2;
    cableCm_ = std::clamp(cableCm_ + speed_ * seconds * 100.0, 0.0, kReelCm);
    yaw_ = std::fmod(yaw_ + (left - right) / kTrackGauge * seconds * kRadToDeg + 360.0, 360.0);

    const double armRate =
        (control_.Arm_PWM_Value - static_cast<double>(kServoNeutral)) / kServoSpan * kArmRate;
    arm_ = std::clamp(arm_ + armRate * seconds, 0.0, kArmTop);
    for (int i = 0; i < 2; ++i) {
        head_[i] = driftToward(head_[i], control_.Pho_PWM_Value[i], kHeadRate * seconds);
    }

    const double rocking = 0.05 + std::abs(speed_);
    roll_ = std::clamp(roll_ + noise(rocking * seconds), -kAttitudeLimit, kAttitudeLimit);
    pitch_ = std::clamp(pitch_ + noise(rocking * seconds), -kAttitudeLimit, kAttitudeLimit);
    camPressure_ = driftToward(camPressure_ + noise(20.0), kAmbientPressure, 5.0);
    carPressure_ = driftToward(carPressure_ + noise(20.0), kAmbientPressure, 5.0);
    camTemperature_ = driftToward(camTemperature_ + noise(0.02), kAmbientTemperature, 0.01);
    carTemperature_ = driftToward(carTemperature_ + noise(0.02), kAmbientTemperature, 0.01);
}

LinkStatusRecord CrawlerModel::status() const
{
    LinkStatusRecord record{};
    record.Cam_Pressure = static_cast<int32_t>(camPressure_);
    record.Car_Pressure = static_cast<int32_t>(carPressure_);
    record.Cam_temperature = static_cast<float>(camTemperature_);
    record.Car_temperature = static_cast<float>(carTemperature_);
    record.Cam_humidity = 45.0F;
    record.Car_humidity = 40.0F;
    record.A[2] = 9.81F;
    record.Angle_Roll = static_cast<float>(roll_);
    record.Angle_Pitch = static_cast<float>(pitch_);
    record.Angle_Yaw = static_cast<float>(yaw_);
    record.Device_Voltage = static_cast<float>(kSupplyVoltage);
    record.Device_Current =
        static_cast<float>(kIdleCurrent + kDriveCurrent * std::abs(speed_) / kFullSpeed);
    record.Distence_Measure = control_.DisMearsure_Status == 255 ? kLaserRange : 0.0F;
    record.PWM[0] = static_cast<uint16_t>(std::lround(head_[0]));
    record.PWM[1] = static_cast<uint16_t>(std::lround(head_[1]));
    record.ARM_distence = static_cast<uint16_t>(std::lround(arm_));
    record.WirCar_Voltage = static_cast<float>(kSupplyVoltage);
    record.WirCar_Current = control_.AutoWir_Status == 255 ? 0.8F : 0.0F;
    record.Wir_length = static_cast<uint32_t>(std::lround(cableCm_));
    return record;
}

} // namespace crawlersim
