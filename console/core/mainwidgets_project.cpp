// What the console's dialogs read and change. The overlay choice, custom
// text and distance belong to the overlay (mainwidgets_video.cpp).
#include "mainwidgets.h"

void mainWidgets::applyProjectInfo(const ProjectInfo& info)
{
    auto applied = std::make_shared<const ProjectInfo>(info);
    m_overlay.setProjectInfo(info);
    std::lock_guard<std::mutex> lock(m_projectInfoMutex);
    m_pProjectInfo = std::move(applied);
}
