#include "telemetrysidecar.h"

#include "consolelog.h"

#include <QFileInfo>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

constexpr int kTimeDecimals = 3;
constexpr int kDecimals = 2;
constexpr int kPressureDecimals = 3;
// Records the video has not reached are kept for cues at most this many
// (a minute at 20 Hz); beyond, the oldest stands for the seconds it covers.
constexpr size_t kMaxAhead = 1200;

// A value that is not finite is an empty field.
QByteArray number(double value, int decimals)
{
    return std::isfinite(value) ? QByteArray::number(value, 'f', decimals) : QByteArray();
}

QString shown(double value)
{
    return std::isfinite(value) ? QString::number(value, 'f', kDecimals) : QStringLiteral("--");
}

} // namespace

const char* const TelemetrySidecar::kHeader =
    "wall_time,video_time_s,distance_m,cable_m,roll_deg,pitch_deg,heading_deg,"
    "body_pressure_kpa,lens_pressure_kpa,body_temp_c,lens_temp_c,remote_state\n";

TelemetrySidecar::TelemetrySidecar(const QString& path) : m_file(path)
{
    // Never over an older file of the same name.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        broken(m_file.errorString());
        return;
    }
    m_writing = true;
    m_pending = kHeader;
}

TelemetrySidecar::~TelemetrySidecar()
{
    sync();
}

void TelemetrySidecar::broken(const QString& reason)
{
    m_writing = false;
    m_pending.clear();
    const std::wstring name = QFileInfo(m_file.fileName()).fileName().toStdWString();
    const std::wstring why = reason.toStdWString();
    MORAVEL_LOG(L"[Moravel] telemetry file not written [%s] [%s]", name.c_str(), why.c_str());
}

void TelemetrySidecar::add(const TelemetrySample& sample, std::chrono::microseconds videoTime)
{
    const double seconds = std::chrono::duration<double>(videoTime).count();
    if (m_writing)
        m_pending += row(sample, seconds);
    m_ahead.push_back({videoTime, cueText(sample).toStdString()});
    if (m_ahead.size() > kMaxAhead) {
        m_current = std::move(m_ahead.front().text);
        m_ahead.pop_front();
    }
}

void TelemetrySidecar::flush()
{
    if (!m_writing || m_pending.isEmpty())
        return;
    if (m_file.write(m_pending) != m_pending.size() || !m_file.flush()) {
        broken(m_file.errorString());
        return;
    }
    m_pending.clear();
}

void TelemetrySidecar::sync()
{
    flush();
    if (m_writing && ::fdatasync(m_file.handle()) != 0)
        broken(QString::fromLocal8Bit(std::strerror(errno)));
}

std::string TelemetrySidecar::cueAt(std::chrono::microseconds at)
{
    while (!m_ahead.empty() && m_ahead.front().at <= at) {
        m_current = std::move(m_ahead.front().text);
        m_ahead.pop_front();
    }
    return m_current;
}

QByteArray TelemetrySidecar::row(const TelemetrySample& sample, double videoTimeS)
{
    const QList<QByteArray> fields{isoWallTime(sample.wallTime).toUtf8(),
                                   number(videoTimeS, kTimeDecimals),
                                   number(sample.distanceM, kDecimals),
                                   number(sample.cableM, kDecimals),
                                   number(sample.rollDeg, kDecimals),
                                   number(sample.pitchDeg, kDecimals),
                                   number(sample.headingDeg, kDecimals),
                                   number(sample.bodyPressureKpa, kPressureDecimals),
                                   number(sample.lensPressureKpa, kPressureDecimals),
                                   number(sample.bodyTempC, kDecimals),
                                   number(sample.lensTempC, kDecimals),
                                   QByteArray::number(sample.remoteState)};
    // Numbers and times hold no comma, quote or line break: nothing to quote.
    return fields.join(',') + '\n';
}

QString TelemetrySidecar::cueText(const TelemetrySample& sample)
{
    // Part of the file's record, as the overlay's texts are: never translated.
    return QStringLiteral("%1 M  横滚 %2°  俯仰 %3°")
        .arg(shown(sample.distanceM), shown(sample.rollDeg), shown(sample.pitchDeg));
}
