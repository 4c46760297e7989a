// The console side of the dialogs for their tests: plain members that the
// tests set and inspect, and a reload from config.ini as the console does.
#pragma once

#include "inisettings.h"
#include "projectconsole.h"

#include <QWidget>

#include <memory>
#include <stdexcept>
#include <string>

class FakeProjectConsole : public ProjectConsole {
public:
    FakeProjectConsole() { m_fields.fill(true); }

    void GetSysInfo() override
    {
        ++m_iReloads;
        m_pInfo = std::make_shared<const ProjectInfo>(loadProjectInfo());
        m_calibration.m_strOverlaySwitch = GetQStringFromIni(kDistanceOverlayKey);
    }
    std::shared_ptr<const ProjectInfo> projectInfo() const override { return m_pInfo; }
    void applyProjectInfo(const ProjectInfo& info) override
    {
        ++m_iApplies;
        m_pInfo = std::make_shared<const ProjectInfo>(info);
    }

    OverlayFields overlayFields() const override { return m_fields; }
    void setOverlayFields(const OverlayFields& fields) override { m_fields = fields; }
    QString customText() const override { return m_strCustomText; }
    void setCustomText(const QString& text) override { m_strCustomText = text; }

    DistanceCalibration distanceCalibration() const override { return m_calibration; }
    void setDistanceCorrection(double dZeroReference, double dStartDistance) override
    {
        m_calibration.m_dZeroReference = dZeroReference;
        m_calibration.m_dStartDistance = dStartDistance;
    }
    void setDistanceOverlaySwitch(const QString& text) override
    {
        m_calibration.m_strOverlaySwitch = text;
    }

    int m_iReloads = 0;
    int m_iApplies = 0;
    std::shared_ptr<const ProjectInfo> m_pInfo = std::make_shared<const ProjectInfo>();
    OverlayFields m_fields{};
    QString m_strCustomText;
    DistanceCalibration m_calibration;
};

// The child with this object name; a missing one ends the test as failed.
template <class T> T* namedChild(QWidget* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        throw std::runtime_error(std::string("no child named ") + name);
    return child;
}
