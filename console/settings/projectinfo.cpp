#include "projectinfo.h"

#include "inisettings.h"

#include <QDebug>

const char* const kCustomMaterialItem = "自定义其他的材质";

ProjectInfo loadProjectInfo()
{
    ProjectInfo info;
    info.m_strFontType = GetQStringFromIni("/systemconfig/fonttype");
    info.m_strLangType = GetQStringFromIni("/systemconfig/langtype");
    info.m_strFontColor = GetQStringFromIni("/systemconfig/fontcolor");
    info.m_strUnit = GetQStringFromIni("/systemconfig/unit");
    info.m_strUnitCompany = GetQStringFromIni("/systemconfig/unitcompany");
    info.m_strInspector = GetQStringFromIni("/systemconfig/inspector");
    info.m_strNo = GetQStringFromIni("/systemconfig/no");
    info.m_strTaskName = GetQStringFromIni("/systemconfig/taskname");
    info.m_strLocation = GetQStringFromIni("/systemconfig/location");
    info.m_strStartWellNo = GetQStringFromIni("/systemconfig/startwellno");
    info.m_strEndWellNo = GetQStringFromIni("/systemconfig/endwellno");
    info.m_strDescription = GetQStringFromIni("/systemconfig/description");
    info.m_strPipDiameter = GetQStringFromIni("/systemconfig/pipdiameter");
    info.m_strDirection = GetQStringFromIni("/systemconfig/direction");
    info.m_strPipType = GetQStringFromIni("/systemconfig/piptype");
    if (GetQStringFromIni("/systemconfig/pipmeterial") == QString::fromUtf8(kCustomMaterialItem))
        info.m_strPipMeterial = GetQStringFromIni("/systemconfig/autopipmeterial");
    else
        info.m_strPipMeterial = GetQStringFromIni("/systemconfig/pipmeterial");
    info.m_strSaveFlag = GetQStringFromIni("/systemconfig/saveflag");
    info.m_strStartFlag = GetQStringFromIni("/systemconfig/startflag");
    qDebug() << "GetSysInfo" << info.m_strFontColor;
    info.m_overlayColor = overlayColorFor(info.m_strFontColor);
    return info;
}

cv::Scalar overlayColorFor(const QString& colorName)
{
    if (colorName == QStringLiteral("红"))
        return {0, 0, 255, 0};
    if (colorName == QStringLiteral("绿"))
        return {0, 255, 0, 0};
    if (colorName == QStringLiteral("蓝"))
        return {255, 0, 0, 0};
    return {255, 255, 255, 0}; // "白" and anything else
}
