// A fresh save folder per test, indexed through Telquin as the program does.
#pragma once

#include "inspectionfiles.h"
#include "inspectionfolder.h"
#include "scratchfolder.h"
#include "telquinlibrary.h"

#include <QDir>

#include <memory>

namespace reviewtest {

class FolderFixture : public ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ASSERT_NE(sql(), nullptr) << m_telquin->error().toStdString();
        m_folder = std::make_unique<InspectionFolder>(sql());
    }

    ISQLiteSystem* sql() const { return m_telquin->system(); }
    // Unloads Telquin and loads it afresh, as a new run of the program does.
    void reloadTelquin()
    {
        m_folder.reset();
        m_telquin.reset();
        m_telquin = std::make_unique<TelquinLibrary>();
        m_folder = std::make_unique<InspectionFolder>(sql());
    }
    // Opens (or opens again) the folder's index and scans it.
    bool open()
    {
        m_notice.clear();
        QString error;
        const bool opened = m_folder->open(m_dir.path(), &m_notice, &error);
        EXPECT_TRUE(opened) << error.toStdString();
        return opened;
    }
    InspectionIndex& index() { return m_folder->index(); }
    // The one project of the folder.
    qint64 onlyProject()
    {
        const QVector<Project> projects = index().projects();
        EXPECT_EQ(projects.size(), 1);
        return projects.isEmpty() ? 0 : projects.front().id;
    }
    QStringList files() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::unique_ptr<TelquinLibrary> m_telquin = std::make_unique<TelquinLibrary>();
    std::unique_ptr<InspectionFolder> m_folder;
    QString m_notice;
};

} // namespace reviewtest
