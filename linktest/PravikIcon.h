// The tool's application icon, drawn at run time so the tool needs no picture files.
#pragma once

#include <QIcon>

QIcon PravikIcon();
