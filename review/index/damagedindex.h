// The rows of an SQLite file that SQLite itself refuses (a damaged index),
// read from its pages as the file format describes them: the schema from
// page 1, then each table's b-tree from its root, past any page that cannot
// be read. Leaves the tree no longer leads to (a damaged page above them),
// or every leaf when the schema cannot be read, are searched for rows of
// the table's shape. Nothing is written.
#pragma once

#include <QFile>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

class DamagedIndex {
public:
    // A row: its rowid, then its values in column order, each null, qint64,
    // double, QString or QByteArray. A column added to the table after the
    // row was written is missing at the end.
    using Row = QVariantList;
    // Whether a row has the table's shape: one that has not is damaged (or,
    // on a page found without the schema, of another table).
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
    // Rows of a table b-tree leaf of the shape; false when the page is no
    // such leaf. ownPage: the table's tree led here, so a cell that cannot be
    // read is a lost row.
    bool readLeaf(const Page& page, Table& table, const Shape& shape, bool ownPage);
    bool readCell(const Page& page, int at, Row& row);
    QByteArray overflow(quint32 first, qint64 bytes);
    // Walks the table b-tree from root, reading its leaves into table;
    // returns the pages it went to.
    QSet<quint32> walk(quint32 root, Table& table, const Shape& shape);
    // The root page of the named table in the schema, 0 when not found.
    quint32 rootOf(const QString& name);

    QFile m_file;
    int m_pageSize = 4096;
    int m_usable = 4096;
    qint64 m_pages = 0;
    int m_userVersion = 0;
};
