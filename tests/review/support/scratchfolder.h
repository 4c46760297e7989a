// A private folder per test, with the file helpers the review tests share.
#pragma once

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace reviewtest {

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString folderPath() const { return m_dir.path(); }
    // Writes the bytes as the named file; returns its path.
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }
    // Random bytes over part of a file, as a disc or a copy damages it.
    void overwrite(const QString& name, qint64 offset, qint64 bytes)
    {
        QByteArray noise(static_cast<int>(bytes), '\0');
        QRandomGenerator generator(static_cast<quint32>(offset));
        for (char& byte : noise) {
            byte = static_cast<char>(generator.generate());
        }
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(offset));
        ASSERT_EQ(file.write(noise), noise.size());
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The first bytes of a file, as a file cut off while it was written.
    QString cutCopy(const QString& from, qint64 keep, const QString& name)
    {
        QFile source(from);
        EXPECT_TRUE(source.open(QIODevice::ReadOnly));
        return write(name, source.read(keep));
    }

    QTemporaryDir m_dir;
};

} // namespace reviewtest
