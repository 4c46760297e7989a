#include "inspectionfolder.h"

#include <QDir>
#include <QFileInfo>

bool InspectionFolder::open(const QString& folder, QString* notice, QString* error)
{
    close();
    const QFileInfo info(folder);
    if (!info.isDir()) {
        *error = tr("文件夹 %1 不存在").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    m_folder = info.absoluteFilePath();
    if (!m_database.open(m_folder, notice, error)) {
        return false;
    }
    return rescan(error);
}

bool InspectionFolder::rescan(QString* error)
{
    m_lastScan = FolderScanner(m_index).scan(m_folder);
    if (!m_lastScan.ok) {
        *error = tr("无法更新索引 %1").arg(QDir::toNativeSeparators(m_database.path()));
    }
    return m_lastScan.ok;
}

QString InspectionFolder::readOnlyNote() const
{
    if (!m_database.readOnlyFolder()) {
        return QString();
    }
    return tr("文件夹 %1 只读：编码保存在本机 %2")
        .arg(QDir::toNativeSeparators(m_folder),
             QDir::toNativeSeparators(IndexDatabase::cachePath(m_folder)));
}

void InspectionFolder::close()
{
    m_database.close();
    m_lastScan = ScanResult();
}
