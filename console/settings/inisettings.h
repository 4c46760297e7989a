// config.ini access. Every call opens the file afresh, so a value written
// anywhere is seen by the next read everywhere. Keys are "/section/entry".
//
// The file is GB18030 (GB2312 files read unchanged), or UTF-8 when it
// starts with UTF-8's byte order mark. Values read and are written as Qt's
// INI settings backend reads and writes them (inivalue.h), so a file Qt's
// settings wrote reads back unchanged and Qt's settings read what the
// console writes; text typed by hand reads as typed where Qt would lose
// some of it (commas, semicolons). Lines starting with ";" or "#" are
// comments. A write changes only the line of its entry; every other line,
// comment and byte of the file stays as it was.
#pragma once

#include <QString>

// $XDG_CONFIG_HOME/Moravel/config.ini (the application's config folder).
QString configFilePath();

// The stored text, or an empty text when the key or the file is absent.
QString GetQStringFromIni(const QString& key);

// Stores the text; it is on disk when the call returns. The file is
// replaced in one step, so a reader never sees half a write. A file that
// cannot be written simply keeps its old content.
void SetQStringFromIni(const QString& key, const QString& value);
