// A home of its own for a console run in a test or benchmark program: HOME
// and XDG_CONFIG_HOME point into a temporary folder, so config.ini, the
// default save folder and the log never touch the user's; the offscreen
// platform unless one is set (also when listing tests at build time); and
// the application name that the settings path is made of. Construct it
// before the QApplication.
#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>

class PrivateConsoleHome {
public:
    PrivateConsoleHome()
    {
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QCoreApplication::setApplicationName(QStringLiteral("Moravel"));
    }
    PrivateConsoleHome(const PrivateConsoleHome&) = delete;
    PrivateConsoleHome& operator=(const PrivateConsoleHome&) = delete;

    QString path() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
};
