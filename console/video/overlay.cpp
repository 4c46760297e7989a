#include "overlay.h"

#include "puttext.h"

#include <utility>
#include <vector>

namespace {

const char* const kStartFlagOn = "1";
const char* const kDateFormat = "yyyy-MM-dd HH:mm:ss";

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString wellLine(const ProjectInfo& info)
{
    return info.m_strStartWellNo + QStringLiteral("-") + info.m_strEndWellNo;
}

} // namespace

struct Overlay::Content {
    ProjectInfo info;
    FieldFlags flags{};
    QString customText;
    // Derived once per change so drawing converts nothing.
    std::string face;
    cv::Scalar color;
    bool enabled = false;
    std::vector<std::string> header; // row kFirstHeaderRow + index
    std::vector<std::string> column; // row (index + 1) x U/2

    void derive()
    {
        face = utf8(info.m_strFontType);
        color = overlayColorFor(info.m_strFontColor);
        enabled = info.m_strStartFlag == QLatin1String(kStartFlagOn);
        const ProjectInfo& p = info;
        header.clear();
        for (const QString& line : {QStringLiteral("项目编号：") + p.m_strNo,
                                    QStringLiteral("任务名称：") + p.m_strTaskName,
                                    QStringLiteral("检测地点：") + p.m_strLocation,
                                    QStringLiteral("起始井编号-结束井编号：") + wellLine(p),
                                    QStringLiteral("管道直径(mm)：") + p.m_strPipDiameter,
                                    QStringLiteral("检测方向：") + p.m_strDirection,
                                    QStringLiteral("管道类型：") + p.m_strPipType,
                                    QStringLiteral("管道材质：") + p.m_strPipMeterial,
                                    QStringLiteral("检测员：") + p.m_strInspector,
                                    QStringLiteral("检测公司：") + p.m_strUnitCompany,
                                    QStringLiteral("工程描述：") + p.m_strDescription}) {
            header.push_back(utf8(line));
        }
        const std::array<QString, kFieldCount> fields = {
            p.m_strUnitCompany, p.m_strInspector, p.m_strNo,          p.m_strTaskName,
            p.m_strLocation,    wellLine(p),      p.m_strDescription, p.m_strPipDiameter,
            p.m_strDirection,   p.m_strPipType,   p.m_strPipMeterial, customText};
        column.clear();
        for (int i = 0; i < kFieldCount; ++i) {
            if (flags[static_cast<size_t>(i)] && !fields[static_cast<size_t>(i)].isEmpty()) {
                column.push_back(utf8(fields[static_cast<size_t>(i)]));
            }
        }
    }
};

Overlay::Overlay()
{
    auto initial = std::make_shared<Content>();
    initial->flags.fill(true);
    initial->derive();
    m_content = std::move(initial);
}

std::shared_ptr<const Overlay::Content> Overlay::content() const
{
    std::lock_guard<std::mutex> lock(m_contentMutex);
    return m_content;
}

// Copy, change, derive, publish: readers keep the version they hold.
template <typename Change> void Overlay::update(Change change)
{
    std::lock_guard<std::mutex> lock(m_contentMutex);
    auto next = std::make_shared<Content>(*m_content);
    change(*next);
    next->derive();
    m_content = std::move(next);
}

void Overlay::setProjectInfo(const ProjectInfo& info)
{
    update([&info](Content& c) { c.info = info; });
}

void Overlay::setOverlayFields(const FieldFlags& flags)
{
    update([&flags](Content& c) { c.flags = flags; });
}

void Overlay::setCustomText(const QString& text)
{
    update([&text](Content& c) { c.customText = text; });
}

ProjectInfo Overlay::projectInfo() const
{
    return content()->info;
}

Overlay::FieldFlags Overlay::overlayFields() const
{
    return content()->flags;
}

QString Overlay::customText() const
{
    return content()->customText;
}

void Overlay::setDistance(const DistanceCalibration& calibration)
{
    std::lock_guard<std::mutex> lock(m_distanceMutex);
    m_distance = calibration;
}

void Overlay::changeDistance(const std::function<void(DistanceCalibration&)>& change)
{
    std::lock_guard<std::mutex> lock(m_distanceMutex);
    change(m_distance);
}

DistanceCalibration Overlay::distanceCalibration() const
{
    std::lock_guard<std::mutex> lock(m_distanceMutex);
    return m_distance;
}

QString Overlay::distanceText() const
{
    return ::distanceText(shownDistance(distanceCalibration()));
}

void Overlay::drawText(const OverlayCanvas& frame, const std::string& text, cv::Point origin,
                       int size) const
{
    const auto c = content();
    putTextZH(frame, text.c_str(), origin, c->color, size, c->face.c_str());
}

void Overlay::drawDistanceAndDate(const OverlayCanvas& frame, const QDateTime& now) const
{
    const auto c = content();
    const int y = kBottomRow * unit(frame.rows());
    const std::string distance = utf8(QStringLiteral("%1 M").arg(distanceText()));
    putTextZH(frame, distance.c_str(), {kLeft, y}, c->color, kLargeSize, c->face.c_str());
    const QString date = now.toString(QLatin1String(kDateFormat));
    const int x = frame.cols() / 2 - (date.size() * kDateCharWidth) / 2;
    putTextZH(frame, utf8(date).c_str(), {x, y}, c->color, kLargeSize, c->face.c_str());
}

void Overlay::WriteInfoBefore(const OverlayCanvas& Image) const
{
    const auto c = content();
    if (!c->enabled) {
        return;
    }
    const int u = unit(Image.rows());
    int row = kFirstHeaderRow;
    for (const std::string& line : c->header) {
        putTextZH(Image, line.c_str(), {kLeft, row * u}, c->color, kLargeSize, c->face.c_str());
        ++row;
    }
}

void Overlay::WriteInfoAfter(const OverlayCanvas& Image) const
{
    const auto c = content();
    if (!c->enabled) {
        return;
    }
    const int step = unit(Image.rows()) / 2;
    int y = step;
    for (const std::string& line : c->column) {
        putTextZH(Image, line.c_str(), {kLeft, y}, c->color, kSmallSize, c->face.c_str());
        y += step;
    }
}
