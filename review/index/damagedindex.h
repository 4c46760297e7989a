// The rows of an SQLite file that SQLite itself refuses (a damaged index),
// read from its pages as the file format describes them: the schema from
// page 1, then each table's b-tree from its root, past any page that cannot
// be read. When the schema cannot be read, every page that holds rows of a
// table's shape is read instead. Nothing is written.
#pragma once

#include <QFile>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

class DamagedIndex {
public:
    // A row's values in column order: null, qint64, double, QString or QByteArray.
    using Row = QVariantList;
    // Whether a row read from a page without its table has the table's shape.
    using Shape = std::function<bool(const Row&)>;

    struct Table {
        QVector<Row> rows;
        qint64 lostRows = 0;     // rows on readable pages that could not be read
        int unreadablePages = 0; // pages of the table that could not be read at all
        bool fromSchema = false; // found through the schema; else by shape
        // Everything of the table was read.
        bool complete() const { return fromSchema && lostRows == 0 && unreadablePages == 0; }
    };

    explicit DamagedIndex(const QString& path);

    // PRAGMA user_version of the file; 0 when its header cannot be read.
    int userVersion() const { return m_userVersion; }
    // The rows of the named table; its pages are found by shape when the
    // schema does not name the table.
    Table table(const QString& name, const Shape& shape);

private:
    struct Page {
        QByteArray bytes;
        int header = 0; // where the b-tree page header starts (100 on page 1)
    };
    bool readPage(qint64 number, Page& page);
    // Cells of a table b-tree leaf; false when the page is no such leaf.
    bool readLeaf(const Page& page, Table& table, const Shape& shape);
    bool readCell(const Page& page, int at, Row& row);
    QByteArray overflow(quint32 first, qint64 bytes);
    // Walks the table b-tree from root, reading its leaves into table.
    void walk(quint32 root, Table& table);
    // The root page of the named table in the schema, 0 when not found.
    quint32 rootOf(const QString& name);

    QFile m_file;
    int m_pageSize = 4096;
    int m_usable = 4096;
    qint64 m_pages = 0;
    int m_userVersion = 0;
};
