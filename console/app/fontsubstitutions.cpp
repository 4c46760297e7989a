#include "fontsubstitutions.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutions()
{
    const QString ming = QStringLiteral("AR PL UMing CN");
    const QString hei = QStringLiteral("WenQuanYi Zen Hei");
    const QString kai = QStringLiteral("AR PL UKai CN");
    const struct {
        const char* face;
        QString substitute;
    } table[] = {
        {"宋体", ming},    {"SimSun", ming},  {"黑体", hei}, {"SimHei", hei},
        {"微软雅黑", hei}, {"华文琥珀", hei}, {"楷体", kai}, {"KaiTi", kai},
    };
    for (const auto& entry : table)
        QFont::insertSubstitutions(QString::fromUtf8(entry.face), {entry.substitute});
}
