// Fixture for the camera library tests: a host and the library's camera
// object, created and set up for each test and deleted after it.
#pragma once

#include <chrono>
#include <cstdint>

#include <gtest/gtest.h>

#include "FrameHost.h"

namespace camtest {

constexpr auto kGenerous = std::chrono::seconds(20);
constexpr uint32_t kWaitMs = 1500;

} // namespace camtest

// Head and Msg: the library's camera system and host interfaces; Create and
// Delete: its exports.
template <typename Head, typename Msg, Head* (*Create)(Msg*), void (*Delete)()>
class CameraLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_camera = Create(&m_host);
        ASSERT_NE(m_camera, nullptr);
        ASSERT_TRUE(m_camera->Init(camtest::kWaitMs, 1, 300, 1));
    }
    void TearDown() override
    {
        m_camera->Cleanup();
        Delete();
    }

    FrameHost<Msg> m_host;
    Head* m_camera = nullptr;
};
