// config.ini access. Every call opens the file afresh, so a value written
// anywhere is seen by the next read everywhere. Keys are "/section/entry".
//
// The file is GB18030 text (GB2312 files read unchanged). A value is the
// text after the first "=" of its line, exactly as it stands: commas,
// semicolons, quotes, backslashes and spaces included. Only a value written
// in double quotes ("...") is quoted: the quotes are dropped and, inside,
// \" \\ \n \r \t stand for a quote, a backslash, a line feed, a carriage
// return and a tab. The console quotes a value only where the plain form
// would not read back unchanged (line breaks, leading or trailing spaces, or
// quotes around the whole value). Lines starting with ";" or "#" are
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
