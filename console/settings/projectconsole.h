// What the console's dialogs read and change in the console. The console
// implements it; a dialog holds a non-owning pointer set by its opener.
#pragma once

#include "distancecalibration.h"
#include "projectinfo.h"

#include <QString>

#include <array>
#include <cstddef>
#include <memory>

// Overlay field flags, in this order: company, operator, project number,
// task name, location, manhole numbers, description, pipe diameter,
// direction, pipe type, pipe material, custom line.
constexpr std::size_t kOverlayFieldCount = 12;
using OverlayFields = std::array<bool, kOverlayFieldCount>;

class ProjectConsole {
public:
    virtual ~ProjectConsole() = default;

    // Reloads the project information from config.ini.
    virtual void GetSysInfo() = 0;
    // The project information the overlay and file names use now; never null.
    virtual std::shared_ptr<const ProjectInfo> projectInfo() const = 0;
    // Replaces it without touching config.ini; taken as given.
    virtual void applyProjectInfo(const ProjectInfo& info) = 0;

    virtual OverlayFields overlayFields() const = 0;
    virtual void setOverlayFields(const OverlayFields& fields) = 0;
    virtual QString customText() const = 0;
    virtual void setCustomText(const QString& text) = 0;

    virtual DistanceCalibration distanceCalibration() const = 0;
    // Changes only the correction, so a reading that arrives meanwhile is kept.
    virtual void setDistanceCorrection(double dZeroReference, double dStartDistance) = 0;
    virtual void setDistanceOverlaySwitch(const QString& text) = 0;

protected:
    ProjectConsole() = default;
    ProjectConsole(const ProjectConsole&) = default;
    ProjectConsole& operator=(const ProjectConsole&) = default;
};
