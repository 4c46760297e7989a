#include "consoletestenv.h"
#include "inisettings.h"
#include "privateconsolehome.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {
PrivateConsoleHome* g_home = nullptr;
int g_editCount = 0;
} // namespace

namespace testenv {

QString home()
{
    return g_home->path();
}

void removeConfig()
{
    QFile::remove(configFilePath());
}

void writeConfigBytes(const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(configFilePath()).absolutePath());
    QFile file(configFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    ASSERT_TRUE(file.flush());
    // Qt's settings backend knows a file by its size and modification time;
    // an edit of equal size within one clock tick of the last read would
    // look unchanged, which no hand edit does.
    const QDateTime edited = QDateTime::currentDateTime().addSecs(++g_editCount);
    ASSERT_TRUE(file.setFileTime(edited, QFileDevice::FileModificationTime));
}

QByteArray readConfigBytes()
{
    QFile file(configFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace testenv

int main(int argc, char** argv)
{
    PrivateConsoleHome home;
    g_home = &home;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
