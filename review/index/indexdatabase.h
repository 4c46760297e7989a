// The index of a save folder through Telquin: opened, checked, created or
// migrated (PRAGMA user_version), and rebuilt with the coding recovered
// when it is damaged. In a folder the user can write it is
// <folder>/inspection.db. In one he cannot (a delivered disc, a
// write-protected stick, a share without write rights) the folder's file is
// read as it is, opened read-only, for as long as nothing needs writing;
// the first write copies it to cachePath(folder), and from then on the index
// of that folder is the copy. Every text reaches SQLite as a bound parameter.
#pragma once

#include "ISQLiteSystem.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

using SqlRows = QVector<QStringList>;

class IndexDatabase {
    Q_DECLARE_TR_FUNCTIONS(IndexDatabase)
public:
    static constexpr int kSchemaVersion = 2;
    static constexpr int kBusyTimeoutMs = 5000;
    static QString fileName() { return QStringLiteral("inspection.db"); }

    // sql: Telquin's instance; not owned.
    explicit IndexDatabase(ISQLiteSystem* sql) : m_sql(sql) {}
    ~IndexDatabase() { close(); }
    IndexDatabase(const IndexDatabase&) = delete;
    IndexDatabase& operator=(const IndexDatabase&) = delete;

    // Where the index of a folder the user cannot write is kept: in the
    // user's cache, by the folder's identity (its path with links resolved).
    static QString cachePath(const QString& folder);

    // Opens the index of folder, creating or upgrading it. A damaged file is
    // renamed to inspection.db.corrupt-<yyyyMMddHHmmss> (in a read-only
    // folder it is left where it is), a new one is made, every row of coding
    // that can still be read from the damaged file is taken into it, and
    // notice says what was recovered and lost. False with error when there
    // is no usable index (also for an index of a newer program, which is left
    // as it is).
    bool open(const QString& folder, QString* notice, QString* error);
    void close();
    bool isOpen() const { return m_open; }
    // The file in use: the folder's, or the copy in the cache.
    const QString& path() const { return m_path; }
    // The folder cannot be written: coding goes to the cache.
    bool readOnlyFolder() const { return !m_cachePath.isEmpty(); }
    // The index in use is the copy in the cache.
    bool inCache() const { return readOnlyFolder() && m_path == m_cachePath; }
    // The last opening rebuilt a damaged index, and some of its coding is
    // not in the new one (or may not be).
    bool codingLost() const { return m_codingLost; }

    // One statement; an empty parameter binds NULL.
    bool exec(const char* sql, const QStringList& params = {});
    SqlRows query(const char* sql, const QStringList& params = {}, bool* ok = nullptr);
    // Several statements without parameters (schema, pragmas).
    bool script(const char* sql);

    // Groups writes; rolled back unless committed. Groups may nest.
    class Transaction {
    public:
        explicit Transaction(IndexDatabase& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        bool commit();

    private:
        IndexDatabase& m_db;
        bool m_open = false;
    };

private:
    enum class Check { Healthy, Damaged, Newer };
    enum class Prepared { Ready, Refused, Damaged };
    bool connect(const QString& path, bool readOnly);
    Check check();
    // The open file checked and migrated: ready, refused (closed, with
    // error) or damaged (closed).
    Prepared prepare(QString* error);
    bool migrate(QString* error);
    // Opens the index at path, which the user can write. A damaged one is
    // moved aside and recovered from; so is recoverFrom into a new one.
    bool openWritable(const QString& path, QString recoverFrom, QString* notice, QString* error);
    bool moveAside(QString* aside, QString* notice, QString* error);
    // Takes the coding of the damaged file into the new index.
    void recover(const QString& damaged, QString* notice);
    // Before any write to the folder's own file read from a read-only
    // folder: the copy in the cache takes its place. False when it cannot.
    bool detach();

    ISQLiteSystem* m_sql;
    QString m_path;
    QString m_cachePath; // set while the folder cannot be written
    bool m_open = false;
    bool m_borrowed = false; // m_path is the read-only folder's own file
    bool m_codingLost = false;
};

// A number as a parameter: shortest exact text, empty (NULL) when unknown.
QString sqlNumber(double value);
// A parameter's text back as a number; NaN for NULL or text.
double sqlDouble(const QString& text);
