// What is wrong with a value of the connection dialog, in words for the
// operator; an empty text when nothing is. Addresses and numbers are taken
// as they stand (the dialog trims them first).
#pragma once

#include <QString>

// The robot link: an IPv4 address or a host name.
QString linkAddressProblem(const QString& text);
// A camera: an IPv4 address or a host name, with ":port" and "/path" if
// wanted (the bare forms the console plays), or an rtsp:// URL.
QString cameraAddressProblem(const QString& text);
// A decimal port, 1 to 65535.
QString portProblem(const QString& text);
// A decimal recording frame rate, 1 to 60.
QString frameRateProblem(const QString& text);
// A save folder: an absolute path that exists and in which a file can be
// created.
QString folderProblem(const QString& path);
