// What the console's dialogs read and change. The camera thread reads the
// overlay choice and the distance, the link thread writes the distance
// reading: each group has its own lock.
#include "mainwidgets.h"

void mainWidgets::applyProjectInfo(const ProjectInfo& info)
{
    auto applied = std::make_shared<const ProjectInfo>(info);
    std::lock_guard<std::mutex> lock(m_projectInfoMutex);
    m_pProjectInfo = std::move(applied);
}

OverlayFields mainWidgets::overlayFields() const
{
    std::lock_guard<std::mutex> lock(m_overlayMutex);
    return m_bOverlayField;
}

void mainWidgets::setOverlayFields(const OverlayFields& fields)
{
    std::lock_guard<std::mutex> lock(m_overlayMutex);
    m_bOverlayField = fields;
}

QString mainWidgets::customText() const
{
    std::lock_guard<std::mutex> lock(m_overlayMutex);
    return m_strCustomText;
}

void mainWidgets::setCustomText(const QString& text)
{
    std::lock_guard<std::mutex> lock(m_overlayMutex);
    m_strCustomText = text;
}

DistanceCalibration mainWidgets::distanceCalibration() const
{
    std::lock_guard<std::mutex> lock(m_distanceMutex);
    return m_distance;
}

void mainWidgets::setDistanceCorrection(double dZeroReference, double dStartDistance)
{
    std::lock_guard<std::mutex> lock(m_distanceMutex);
    m_distance.m_dZeroReference = dZeroReference;
    m_distance.m_dStartDistance = dStartDistance;
}

void mainWidgets::setDistanceOverlaySwitch(const QString& text)
{
    std::lock_guard<std::mutex> lock(m_distanceMutex);
    m_distance.m_strOverlaySwitch = text;
}
