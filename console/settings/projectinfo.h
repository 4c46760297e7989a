// The console's copy of the project information in config.ini: what the
// overlay draws and what recording and snapshot names are made of.
#pragma once

#include <QString>

#include <opencv2/core/types.hpp>

struct ProjectInfo {
    QString m_strFontType;
    QString m_strLangType;
    QString m_strFontColor;
    QString m_strUnit;
    QString m_strUnitCompany;
    QString m_strInspector;
    QString m_strNo;
    QString m_strTaskName;
    QString m_strLocation;
    QString m_strStartWellNo;
    QString m_strEndWellNo;
    QString m_strDescription;
    QString m_strPipDiameter;
    QString m_strDirection;
    QString m_strPipType;
    QString m_strPipMeterial; // the custom material when that item is chosen
    QString m_strSaveFlag;
    QString m_strStartFlag;
    cv::Scalar m_overlayColor{255, 255, 255, 0}; // blue, green, red, 0
};

// The material list item that means "use the custom material text".
extern const char* const kCustomMaterialItem;

// Reads the project information from config.ini (the console's GetSysInfo,
// which also loads the distance overlay switch into its DistanceCalibration).
ProjectInfo loadProjectInfo();

// Overlay text colour for a colour name; unknown names give white.
cv::Scalar overlayColorFor(const QString& colorName);
