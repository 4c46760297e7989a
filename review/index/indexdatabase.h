// The folder's index file <folder>/inspection.db through Telquin: opened,
// checked, created or migrated (PRAGMA user_version), and moved aside when
// it is damaged. Every text reaches SQLite as a bound parameter.
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

    // Opens the index of folder, creating or upgrading it. A damaged file is
    // renamed to inspection.db.corrupt-<yyyyMMddHHmmss>, a new one is made and
    // notice says so. False with error when there is no usable index (also
    // for an index of a newer program, which is left as it is).
    bool open(const QString& folder, QString* notice, QString* error);
    void close();
    bool isOpen() const { return m_open; }
    const QString& path() const { return m_path; }

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
    Check check();
    bool migrate(QString* error);
    bool moveAside(QString* notice, QString* error);

    ISQLiteSystem* m_sql;
    QString m_path;
    bool m_open = false;
};

// A number as a parameter: shortest exact text, empty (NULL) when unknown.
QString sqlNumber(double value);
// A parameter's text back as a number; NaN for NULL or text.
double sqlDouble(const QString& text);
