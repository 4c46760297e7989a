// Environment of the console's unit tests: a QApplication named Moravel,
// with HOME and XDG_CONFIG_HOME in a private folder so no test touches the
// user's own configuration or save folder.
#pragma once

#include <QByteArray>
#include <QString>

namespace testenv {

// The private home folder of this test process.
QString home();
// Removes config.ini; every test starts without one.
void removeConfig();
// Replaces config.ini with these bytes.
void writeConfigBytes(const QByteArray& bytes);
QByteArray readConfigBytes();

} // namespace testenv
