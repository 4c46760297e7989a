// The text of config.ini as bytes: reading one value and replacing one
// value without touching the rest. How a value is read and written is in
// inivalue.h; the file is GB18030, or UTF-8 when it starts with UTF-8's byte
// order mark (which an editor saving UTF-8 puts there).
#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

class IniText {
public:
    explicit IniText(QByteArray bytes);

    // The value of "/section/entry"; the last one when the entry appears
    // more than once. Empty when absent.
    QString value(const QString& key) const;
    // Replaces the entry that value() reads, or adds it at the end of its
    // section (or in a new section at the end of the file).
    void setValue(const QString& key, const QString& value);

    const QByteArray& bytes() const { return m_bytes; }

private:
    // The line index of the entry value() reads, or -1; lastSectionLine
    // gets the last non-blank line of the entry's section, or -1.
    int find(const QString& section, const QString& name, int* lastSectionLine = nullptr) const;
    // Line `index` of the file as text, without its line end or a byte order mark.
    QString lineText(const QByteArray& line, int index) const;

    QByteArray m_bytes;
    QTextCodec* m_codec;
};
