// The texts burnt into every processed frame: crawl distance and date on the
// lowest row, and either the project header (first seconds of a recording) or
// the column of chosen project fields. The GUI thread changes what is drawn;
// the camera thread draws. Project texts, field flags, custom text, colour and
// face form one immutable snapshot swapped under a lock, so a frame never mixes
// two versions; the distance has a lock of its own.
#pragma once

#include "distancecalibration.h"
#include "overlaycanvas.h"
#include "projectconsole.h"
#include "projectinfo.h"

#include <QDateTime>
#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class Overlay {
public:
    static constexpr int kFieldCount = static_cast<int>(kOverlayFieldCount);
    using FieldFlags = OverlayFields;

    // Text row unit of a frame: its height / 14.
    static int unit(int frameHeight) { return frameHeight / kRowsPerFrame; }

    Overlay();

    // GUI thread: GetSysInfo results, m_bOverlayField, m_strCustomText.
    void setProjectInfo(const ProjectInfo& info);
    void setOverlayFields(const FieldFlags& flags);
    void setCustomText(const QString& text);
    ProjectInfo projectInfo() const;
    FieldFlags overlayFields() const;
    QString customText() const;

    // Any thread: the crawl distance inputs and the shown distance text
    // (two decimals), also used by snapshot names.
    void setDistance(const DistanceCalibration& calibration);
    // Changes part of the inputs under the lock, so a reading arriving from
    // the link thread and a correction from a dialog never undo each other.
    void changeDistance(const std::function<void(DistanceCalibration&)>& change);
    DistanceCalibration distanceCalibration() const;
    QString distanceText() const;

    // Camera thread. The distance and date line goes on every frame.
    void drawDistanceAndDate(const OverlayCanvas& frame, const QDateTime& now) const;
    // Project header: eleven label + value rows; nothing unless the start flag is "1".
    void WriteInfoBefore(const OverlayCanvas& Image) const;
    // Column of the chosen, non-empty fields; nothing unless the start flag is "1".
    void WriteInfoAfter(const OverlayCanvas& Image) const;
    // UTF-8 text in the overlay colour and face.
    void drawText(const OverlayCanvas& frame, const std::string& text, cv::Point origin,
                  int size) const;

    static constexpr int kRowsPerFrame = 14;
    static constexpr int kLeft = 150;
    static constexpr int kLargeSize = 50;
    static constexpr int kSmallSize = 30;
    static constexpr int kDateCharWidth = 25;
    static constexpr int kBottomRow = 13;
    static constexpr int kFirstHeaderRow = 2;

private:
    struct Content;
    std::shared_ptr<const Content> content() const;
    template <typename Change> void update(Change change);

    mutable std::mutex m_contentMutex;
    std::shared_ptr<const Content> m_content;
    mutable std::mutex m_distanceMutex;
    DistanceCalibration m_distance;
};
