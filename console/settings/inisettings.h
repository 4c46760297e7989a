// config.ini access. Every call opens the file afresh, so a value written
// anywhere is seen by the next read everywhere. Keys are "/section/entry".
#pragma once

#include <QString>

// $XDG_CONFIG_HOME/Moravel/config.ini (the application's config folder).
QString configFilePath();

// The stored text, or an empty text when the key or the file is absent.
QString GetQStringFromIni(const QString& key);

// Stores the text; it is on disk when the call returns. A file that cannot
// be written simply keeps its old content.
void SetQStringFromIni(const QString& key, const QString& value);
