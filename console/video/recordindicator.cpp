#include "recordindicator.h"

#include "overlay.h"

#include <QDebug>

#include <algorithm>
#include <cstdio>

namespace {

const cv::Scalar kGreen(0, 255, 0, 0);
const cv::Scalar kRed(0, 0, 255, 0);
constexpr long long kSecondsPerDay = 24 * 60 * 60;
constexpr int kTopDivisor = 4;

} // namespace

void RecordIndicator::start(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_startTime = now;
    m_lastColorChange = now;
}

bool RecordIndicator::isRed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bRecordColor;
}

cv::Scalar RecordIndicator::color() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_color;
}

std::string RecordIndicator::text(Clock::duration elapsed)
{
    return "REC " + clockText(elapsed);
}

std::string RecordIndicator::clockText(Clock::duration elapsed)
{
    long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    seconds = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", seconds / 3600,
                  (seconds / 60) % 60, seconds % 60);
    return buffer;
}

int RecordIndicator::rowsCovered(cv::Size frame)
{
    // The dot's and the text's height below the top, with room to spare.
    return Overlay::unit(frame.height) / kTopDivisor + 3 * std::max(kTextSize, 2 * kDotRadius);
}

void RecordIndicator::draw(const OverlayCanvas& frame, Clock::time_point now,
                           const Overlay& overlay)
{
    const int top = Overlay::unit(frame.rows()) / kTopDivisor;
    const int left = frame.cols() - kRightOffset;
    cv::Scalar color;
    Clock::duration elapsed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (now - m_lastColorChange >= std::chrono::seconds(1)) {
            m_bRecordColor = !m_bRecordColor;
            m_color = m_bRecordColor ? kRed : kGreen;
            qDebug() << "m_bRecordColor" << m_bRecordColor;
            m_lastColorChange = now;
        }
        color = m_color;
        elapsed = now - m_startTime;
    }
    frame.disc({left - kDotOffset, top + kDotRadius}, kDotRadius, color);
    overlay.drawText(frame, text(elapsed), {left, top}, kTextSize);
}
