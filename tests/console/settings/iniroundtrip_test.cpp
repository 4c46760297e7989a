// config.ini against Qt's own INI settings backend (the GB18030 codec), with
// generated values: what Qt writes the console reads, and what the console
// writes Qt reads. The generator is seeded, so a failure repeats.
#include "consoletestenv.h"
#include "inisettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr unsigned kSeed = 20240522;
constexpr int kRounds = 150;
constexpr int kKeysPerRound = 6;
constexpr int kMaxLength = 24;
constexpr char kCodec[] = "GB18030";

enum class Plane { Basic, All };

class ValueGenerator {
public:
    explicit ValueGenerator(Plane plane) : m_plane(plane) {}

    QString value()
    {
        QString text;
        const int length = pick(0, kMaxLength);
        for (int i = 0; i < length; ++i)
            append(text);
        switch (pick(0, 9)) {
        case 0:
            text.prepend('@');
            break;
        case 1:
            text = QStringLiteral("@String(") + text + ')';
            break;
        case 2:
            text = QString(pick(1, 3), ' ') + text + QString(pick(0, 2), ' ');
            break;
        case 3:
            text = '"' + text + '"';
            break;
        default:
            break;
        }
        return text;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    void append(QString& text)
    {
        static const QString syntax = QStringLiteral("\"\\@;,=#[]% \t");
        static const QString hexDigits = QStringLiteral("0123456789abcdefABCDEF");
        switch (pick(0, m_plane == Plane::All ? 6 : 5)) {
        case 0: // printable ASCII
            text += QChar(pick(0x20, 0x7E));
            break;
        case 1: // what INI readers take for syntax
            text += syntax[pick(0, syntax.size() - 1)];
            break;
        case 2: // line breaks and the other controls, NUL and DEL included
            text += QChar(pick(0, 0x20) == 0x20 ? 0x7F : pick(0, 0x1F));
            break;
        case 3: // digits, which may follow an escape
            text += hexDigits[pick(0, hexDigits.size() - 1)];
            break;
        case 4: // CJK, among them characters with a backslash byte in GB18030
            text += QChar(pick(0x4E00, 0x9FA5));
            break;
        case 5: { // the rest of the basic plane, without surrogates
            const int code = pick(0xA0, 0xFFFD - 0x800);
            text += QChar(code < 0xD800 ? code : code + 0x800);
            break;
        }
        default: { // beyond it: two UTF-16 halves
            const auto code = static_cast<char32_t>(pick(0x10000, 0x10FFFF));
            text += QString::fromUcs4(&code, 1);
        }
        }
    }

    Plane m_plane;
    std::mt19937 m_random{kSeed};
};

QString key(int round, int index)
{
    return QStringLiteral("/section%1/key%2").arg(round % 3).arg(index);
}

QString codes(const QString& text)
{
    QStringList list;
    for (const QChar c : text)
        list << QString::number(c.unicode(), 16);
    return list.join(' ');
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class IniRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        ASSERT_TRUE(m_folder.isValid());
    }

    // A file name no settings object of this process has used: Qt's backend
    // keeps what it read of each file.
    QString freshPath() { return m_folder.filePath(QStringLiteral("%1.ini").arg(++m_files)); }

    QTemporaryDir m_folder;
    int m_files = 0;
};

// Qt writes characters beyond the basic plane as "?" (each half on its own),
// so those are the console's to write only.
TEST_F(IniRoundTrip, WhatQtWritesTheConsoleReads)
{
    ValueGenerator generate(Plane::Basic);
    for (int round = 0; round < kRounds; ++round) {
        QStringList values;
        const QString path = freshPath();
        {
            QSettings qt(path, QSettings::IniFormat);
            qt.setIniCodec(kCodec);
            for (int i = 0; i < kKeysPerRound; ++i) {
                values << generate.value();
                qt.setValue(key(round, i), values.last());
            }
        }
        const QByteArray bytes = fileBytes(path);
        testenv::writeConfigBytes(bytes);
        for (int i = 0; i < kKeysPerRound; ++i)
            ASSERT_EQ(GetQStringFromIni(key(round, i)), values[i])
                << "seed " << kSeed << " round " << round << " key " << i << ": "
                << codes(values[i]).toStdString() << "\n"
                << bytes.toStdString();
    }
}

TEST_F(IniRoundTrip, WhatTheConsoleWritesQtReads)
{
    ValueGenerator generate(Plane::All);
    for (int round = 0; round < kRounds; ++round) {
        // Hand-edited lines around them stay as they are.
        testenv::writeConfigBytes("; by hand\n[section0]\nkey1 = typed\n");
        QStringList values;
        for (int i = 0; i < kKeysPerRound; ++i) {
            // Every other key is written twice: a new line, then a replaced one.
            if (i % 2 == 0)
                SetQStringFromIni(key(round, i), generate.value());
            values << generate.value();
            SetQStringFromIni(key(round, i), values.last());
        }
        const QByteArray bytes = testenv::readConfigBytes();
        ASSERT_TRUE(bytes.startsWith("; by hand\n[section0]\n")) << bytes.toStdString();
        const QString path = freshPath();
        QFile copy(path);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size());
        copy.close();
        QSettings qt(path, QSettings::IniFormat);
        qt.setIniCodec(kCodec);
        for (int i = 0; i < kKeysPerRound; ++i) {
            const QVariant read = qt.value(key(round, i));
            const std::string context = "seed " + std::to_string(kSeed) + " round " +
                                        std::to_string(round) + " key " + std::to_string(i) + ": " +
                                        codes(values[i]).toStdString() + "\n" + bytes.toStdString();
            ASSERT_EQ(read.type(), QVariant::String) << context;
            ASSERT_EQ(read.toString(), values[i]) << context;
            ASSERT_EQ(GetQStringFromIni(key(round, i)), values[i]) << context;
        }
    }
}

} // namespace
