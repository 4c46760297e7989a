// One value of config.ini: the text a line holds after "=" and the value it
// stands for, in the form Qt's INI settings backend writes and reads.
//
// Reading: blanks at either end are dropped; a value wholly in double quotes
// loses them; the escapes \\ \" \a \b \f \n \r \t \v \? \' \xHEX and \OCTAL
// stand for their characters; "@@" at the start stands for "@" and
// "@String(...)" for the text in the brackets. Where Qt would lose text the
// operator typed, the text stays: commas and semicolons are part of the value
// (Qt makes a list of it or cuts it), and so are a quote that does not
// enclose the whole value and a backslash that starts no escape.
#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

// The value of the text after "=" (without its line end).
QString iniValueFromText(const QString& text);

// The text Qt's writer stores for value, encoded with codec, with two
// faults of Qt's writer avoided: characters outside the basic plane keep
// both halves, and a character whose encoding holds a byte Qt's reader takes
// for a backslash is written as \xHEX.
QByteArray iniTextFromValue(const QString& value, QTextCodec* codec);
