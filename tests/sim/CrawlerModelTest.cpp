#include <gtest/gtest.h>

#include "CrawlerModel.h"
#include "linkproto/Codec.h"

using crawlersim::CrawlerModel;
using linkproto::MsgType;

namespace {

linkproto::Frame command(MsgType type, linkproto::CommandValues values = {})
{
    linkproto::Frame frame;
    frame.type = type;
    frame.size = static_cast<uint16_t>(linkproto::encodeValues(
        *linkproto::findMessage(static_cast<uint8_t>(type)), values, frame.payload.data()));
    return frame;
}

void run(CrawlerModel& model, double seconds)
{
    constexpr double kStep = 0.05;
    for (double t = 0; t < seconds; t += kStep) {
        model.step(kStep);
    }
}

} // namespace

TEST(CrawlerModel, FullForwardPaysOutCableAtHalfAMetrePerSecond)
{
    CrawlerModel model(1);
    model.apply(command(MsgType::SetCarPwm, {1000, 1000}));
    run(model, 4.0);
    const auto status = model.status();
    EXPECT_NEAR(status.Wir_length, 200u, 5u); // 2 m in centimetres
    EXPECT_NEAR(status.Angle_Yaw, 0.0F, 0.01F);

    model.apply(command(MsgType::SetCarPwm, {2000, 2000}));
    run(model, 10.0);
    EXPECT_EQ(model.status().Wir_length, 0u); // reeled in, never below zero
}

TEST(CrawlerModel, TurningRightRaisesHeadingAndKeepsCable)
{
    CrawlerModel model(1);
    model.apply(command(MsgType::SetCarPwm, {1000, 2000}));
    run(model, 0.5);
    const auto status = model.status();
    EXPECT_GT(status.Angle_Yaw, 10.0F);
    EXPECT_LT(status.Angle_Yaw, 360.0F);
    EXPECT_EQ(status.Wir_length, 0u);
}

TEST(CrawlerModel, ArmAndCameraHeadMoveTowardTheirCommands)
{
    CrawlerModel model(1);
    model.apply(command(MsgType::SetArmPwm, {2000}));
    model.apply(command(MsgType::SetPhoPwm0, {2000}));
    model.apply(command(MsgType::SetPhoPwm1, {500}));
    run(model, 0.25);
    auto status = model.status();
    EXPECT_GT(status.PWM[0], 1500);
    EXPECT_LT(status.PWM[0], 2000);
    run(model, 5.0);
    status = model.status();
    EXPECT_EQ(status.ARM_distence, 7); // top position
    EXPECT_EQ(status.PWM[0], 2000);
    EXPECT_EQ(status.PWM[1], 500);
    model.apply(command(MsgType::SetPhoCenter, {0}));
    run(model, 2.0);
    EXPECT_EQ(model.status().PWM[0], 1500);
    EXPECT_EQ(model.status().PWM[1], 1500);
}

TEST(CrawlerModel, NeutralSetStopsDriveButKeepsAccessories)
{
    CrawlerModel model(1);
    model.apply(command(MsgType::SetKeySafe, {255}));
    model.apply(command(MsgType::SetCarPwm, {1000, 1000}));
    model.apply(command(MsgType::SetArmPwm, {2000}));
    model.apply(command(MsgType::SetPhoBorS, {200}));
    model.apply(command(MsgType::SetLampPwm, {700}));
    model.apply(command(MsgType::ResetControl));
    const auto& control = model.control();
    EXPECT_EQ(control.Key_Safe_Status, 0);
    EXPECT_EQ(control.Car_PWM_Value[0], 1500);
    EXPECT_EQ(control.Car_PWM_Value[1], 1500);
    EXPECT_EQ(control.Arm_PWM_Value, 1500);
    EXPECT_EQ(control.Pho_BorS_Status, 0);
    EXPECT_EQ(control.Lamp_PWM_Value, 700);
    run(model, 1.0);
    EXPECT_EQ(model.status().Wir_length, 0u);
}

TEST(CrawlerModel, AttitudeAndPressuresStayPlausible)
{
    CrawlerModel model(7);
    run(model, 30.0);
    const auto status = model.status();
    EXPECT_LE(std::abs(status.Angle_Roll), 5.0F);
    EXPECT_LE(std::abs(status.Angle_Pitch), 5.0F);
    EXPECT_NEAR(status.Cam_Pressure, 101325, 500);
    EXPECT_NEAR(status.Car_temperature, 18.0F, 2.0F);
    EXPECT_EQ(status.NRF_Status, 0);
}
