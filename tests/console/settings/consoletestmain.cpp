#include "consoletestenv.h"
#include "inisettings.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QTemporaryDir* g_home = nullptr;
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
    QTemporaryDir home;
    g_home = &home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    // Also when listing tests at build time, outside ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setApplicationName(QStringLiteral("Moravel"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
