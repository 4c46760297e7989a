#pragma once

#include <cstdint>
#include <random>

#include "LinkRecords.h"
#include "linkproto/Frame.h"

namespace crawlersim {

// The simulated crawler: the last command values and a simple physical
// state that follows them.
class CrawlerModel {
public:
    explicit CrawlerModel(uint32_t seed);

    // Applies one command message; other messages are ignored.
    void apply(const linkproto::Frame& frame);
    // The safe set: tracks, arm and camera head at rest, lens still, drive key off.
    void neutral();
    void step(double seconds);

    const LinkControlRecord& control() const { return control_; }
    LinkStatusRecord status() const;

private:
    double noise(double sigma);
    static double driftToward(double value, double target, double maxStep);

    LinkControlRecord control_{};
    std::mt19937 random_;
    double cableCm_ = 0;
    double yaw_ = 0;
    double roll_ = 0;
    double pitch_ = 0;
    double arm_ = 0;
    double head_[2];
    double camPressure_;
    double carPressure_;
    double camTemperature_;
    double carTemperature_;
    double speed_ = 0; // m/s, forward positive
};

} // namespace crawlersim
