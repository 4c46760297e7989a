#include "FontFaces.h"

#include <QFont>
#include <QString>

namespace {

struct FaceSubstitution {
    const char* face;
    const char* family;
};

const FaceSubstitution kFaceSubstitutions[] = {
    {"宋体", "AR PL UMing CN"},        {"SimSun", "AR PL UMing CN"},
    {"黑体", "WenQuanYi Zen Hei"},     {"SimHei", "WenQuanYi Zen Hei"},
    {"微软雅黑", "WenQuanYi Zen Hei"}, {"华文琥珀", "WenQuanYi Zen Hei"},
    {"楷体", "AR PL UKai CN"},         {"KaiTi", "AR PL UKai CN"},
};

} // namespace

std::string installedFamily(const std::string& face)
{
    for (const FaceSubstitution& substitution : kFaceSubstitutions) {
        if (face == substitution.face)
            return substitution.family;
    }
    return face;
}

void installFontSubstitutions()
{
    for (const FaceSubstitution& substitution : kFaceSubstitutions)
        QFont::insertSubstitution(QString::fromUtf8(substitution.face),
                                  QString::fromUtf8(substitution.family));
}
