#include "consoletestenv.h"
#include "inisettings.h"
#include "projectinfo.h"

#include <gtest/gtest.h>

namespace {

class ProjectInfoLoad : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }
};

const cv::Scalar kWhite(255, 255, 255, 0);

TEST(OverlayColor, MapsTheFourNamesAndEverythingElseToWhite)
{
    EXPECT_EQ(overlayColorFor(QStringLiteral("红")), cv::Scalar(0, 0, 255, 0));
    EXPECT_EQ(overlayColorFor(QStringLiteral("绿")), cv::Scalar(0, 255, 0, 0));
    EXPECT_EQ(overlayColorFor(QStringLiteral("蓝")), cv::Scalar(255, 0, 0, 0));
    EXPECT_EQ(overlayColorFor(QStringLiteral("白")), kWhite);
    EXPECT_EQ(overlayColorFor(QStringLiteral("黄")), kWhite);
    EXPECT_EQ(overlayColorFor(QString()), kWhite);
    EXPECT_EQ(overlayColorFor(QStringLiteral("红 ")), kWhite);
}

TEST_F(ProjectInfoLoad, NoConfigGivesEmptyTextsAndWhiteText)
{
    const ProjectInfo info = loadProjectInfo();
    EXPECT_TRUE(info.m_strTaskName.isEmpty());
    EXPECT_TRUE(info.m_strPipMeterial.isEmpty());
    EXPECT_TRUE(info.m_strFontColor.isEmpty());
    EXPECT_EQ(info.m_overlayColor, kWhite);
}

TEST_F(ProjectInfoLoad, EveryFieldComesFromItsOwnKey)
{
    const struct {
        const char* key;
        QString ProjectInfo::*member;
    } fields[] = {
        {"/systemconfig/fonttype", &ProjectInfo::m_strFontType},
        {"/systemconfig/langtype", &ProjectInfo::m_strLangType},
        {"/systemconfig/fontcolor", &ProjectInfo::m_strFontColor},
        {"/systemconfig/unit", &ProjectInfo::m_strUnit},
        {"/systemconfig/unitcompany", &ProjectInfo::m_strUnitCompany},
        {"/systemconfig/inspector", &ProjectInfo::m_strInspector},
        {"/systemconfig/no", &ProjectInfo::m_strNo},
        {"/systemconfig/taskname", &ProjectInfo::m_strTaskName},
        {"/systemconfig/location", &ProjectInfo::m_strLocation},
        {"/systemconfig/startwellno", &ProjectInfo::m_strStartWellNo},
        {"/systemconfig/endwellno", &ProjectInfo::m_strEndWellNo},
        {"/systemconfig/description", &ProjectInfo::m_strDescription},
        {"/systemconfig/pipdiameter", &ProjectInfo::m_strPipDiameter},
        {"/systemconfig/direction", &ProjectInfo::m_strDirection},
        {"/systemconfig/piptype", &ProjectInfo::m_strPipType},
        {"/systemconfig/pipmeterial", &ProjectInfo::m_strPipMeterial},
        {"/systemconfig/saveflag", &ProjectInfo::m_strSaveFlag},
        {"/systemconfig/startflag", &ProjectInfo::m_strStartFlag},
    };
    int n = 0;
    for (const auto& field : fields)
        SetQStringFromIni(field.key, QStringLiteral("值%1").arg(n++));

    const ProjectInfo info = loadProjectInfo();
    n = 0;
    for (const auto& field : fields)
        EXPECT_EQ(info.*field.member, QStringLiteral("值%1").arg(n++)) << field.key;
}

TEST_F(ProjectInfoLoad, CustomMaterialItemTakesTheCustomText)
{
    SetQStringFromIni("/systemconfig/pipmeterial", QString::fromUtf8(kCustomMaterialItem));
    SetQStringFromIni("/systemconfig/autopipmeterial", QStringLiteral("玻璃钢"));
    EXPECT_EQ(loadProjectInfo().m_strPipMeterial, QStringLiteral("玻璃钢"));

    SetQStringFromIni("/systemconfig/autopipmeterial", QString());
    EXPECT_TRUE(loadProjectInfo().m_strPipMeterial.isEmpty());

    SetQStringFromIni("/systemconfig/pipmeterial", QStringLiteral("钢管"));
    SetQStringFromIni("/systemconfig/autopipmeterial", QStringLiteral("玻璃钢"));
    EXPECT_EQ(loadProjectInfo().m_strPipMeterial, QStringLiteral("钢管"));
}

TEST_F(ProjectInfoLoad, FontColorNameSetsTheOverlayColor)
{
    SetQStringFromIni("/systemconfig/fontcolor", QStringLiteral("蓝"));
    EXPECT_EQ(loadProjectInfo().m_overlayColor, cv::Scalar(255, 0, 0, 0));
    SetQStringFromIni("/systemconfig/fontcolor", QStringLiteral("黄"));
    EXPECT_EQ(loadProjectInfo().m_overlayColor, kWhite);
}

} // namespace
