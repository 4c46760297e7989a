#include "consoletestenv.h"
#include "inisettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QTemporaryDir* g_home = nullptr;
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
