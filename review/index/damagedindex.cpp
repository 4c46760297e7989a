#include "damagedindex.h"

#include <algorithm>
#include <cstring>

namespace {

// The file format's fixed places (https://www.sqlite.org/fileformat.html).
constexpr int kHeaderBytes = 100;
const char kMagic[] = "SQLite format 3";
constexpr int kPageSizeAt = 16;
constexpr int kReservedAt = 20;
constexpr int kUserVersionAt = 60;
constexpr int kMinPageSize = 512;
constexpr int kMaxPageSize = 65536;
constexpr int kDefaultPageSize = 4096;
constexpr quint8 kTableInterior = 5;
constexpr quint8 kTableLeaf = 13;
constexpr int kLeafHeader = 8;
constexpr int kInteriorHeader = 12;
constexpr int kRightChildAt = 8;
constexpr int kCellCountAt = 3;
constexpr int kMaxVarintBytes = 9;
// A row of the index is far smaller; a larger size is a damaged cell.
constexpr quint64 kMaxPayload = 64 << 20;
// Only so much of a damaged file is looked at.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;
constexpr int kSchemaColumns = 5; // type, name, tbl_name, rootpage, sql

quint32 bigEndian(const uchar* p, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | p[i];
    }
    return value;
}

bool varint(const uchar*& p, const uchar* end, quint64& value)
{
    value = 0;
    for (int i = 0; i < kMaxVarintBytes; ++i) {
        if (p >= end) {
            return false;
        }
        const uchar byte = *p++;
        if (i == kMaxVarintBytes - 1) {
            value = value << 8 | byte;
            return true;
        }
        value = value << 7 | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

// The values of a record; false when it is not one.
bool decodeRecord(const QByteArray& payload, DamagedIndex::Row& row)
{
    const auto* data = reinterpret_cast<const uchar*>(payload.constData());
    const uchar* const end = data + payload.size();
    const uchar* p = data;
    quint64 headerSize = 0;
    if (!varint(p, end, headerSize) || headerSize > quint64(payload.size())) {
        return false;
    }
    const uchar* const headerEnd = data + headerSize;
    const uchar* body = headerEnd;
    while (p < headerEnd) {
        quint64 type = 0;
        if (!varint(p, headerEnd, type) || type == 10 || type == 11) {
            return false;
        }
        static const int kIntegerBytes[] = {0, 1, 2, 3, 4, 6, 8};
        const quint64 length = type >= 12  ? (type - 12) / 2
                               : type == 7 ? 8
                               : type <= 6 ? kIntegerBytes[type]
                                           : 0;
        if (length > quint64(end - body)) {
            return false;
        }
        if (type == 0) {
            row << QVariant();
        } else if (type <= 6) {
            // Signed, big-endian: sign-extended from its first byte.
            quint64 bits = (body[0] & 0x80) != 0 ? ~quint64(0) : 0;
            for (quint64 i = 0; i < length; ++i) {
                bits = bits << 8 | body[i];
            }
            row << QVariant(static_cast<qint64>(bits));
        } else if (type == 7) {
            quint64 bits = 0;
            for (int i = 0; i < 8; ++i) {
                bits = bits << 8 | body[i];
            }
            double value = 0;
            std::memcpy(&value, &bits, sizeof value);
            row << QVariant(value);
        } else if (type == 8 || type == 9) {
            row << QVariant(qint64(type - 8));
        } else {
            const QByteArray bytes(reinterpret_cast<const char*>(body), static_cast<int>(length));
            row << (type % 2 == 1 ? QVariant(QString::fromUtf8(bytes)) : QVariant(bytes));
        }
        body += length;
    }
    return p == headerEnd;
}

} // namespace

DamagedIndex::DamagedIndex(const QString& path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray header = m_file.read(kHeaderBytes);
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    if (header.size() == kHeaderBytes && header.startsWith(kMagic)) {
        const quint32 size = bigEndian(h + kPageSizeAt, 2);
        const int pageSize = size == 1 ? kMaxPageSize : static_cast<int>(size);
        // A power of two in range, else the header is damaged and the default is tried.
        if (pageSize >= kMinPageSize && pageSize <= kMaxPageSize &&
            (pageSize & (pageSize - 1)) == 0) {
            m_pageSize = pageSize;
            m_usable = pageSize - h[kReservedAt];
        }
        m_userVersion = static_cast<int>(bigEndian(h + kUserVersionAt, 4));
    } else {
        m_pageSize = kDefaultPageSize;
        m_usable = kDefaultPageSize;
    }
    m_pages = std::min(m_file.size(), kMaxFileBytes) / m_pageSize;
}

bool DamagedIndex::readPage(qint64 number, Page& page)
{
    if (number < 1 || number > m_pages || !m_file.seek((number - 1) * m_pageSize)) {
        return false;
    }
    page.bytes = m_file.read(m_pageSize);
    page.header = number == 1 ? kHeaderBytes : 0;
    return page.bytes.size() == m_pageSize;
}

QByteArray DamagedIndex::overflow(quint32 first, qint64 bytes)
{
    QByteArray data;
    QSet<quint32> seen;
    Page page;
    for (quint32 next = first; next != 0 && data.size() < bytes && !seen.contains(next);) {
        seen.insert(next);
        if (!readPage(next, page)) {
            break;
        }
        const auto* p = reinterpret_cast<const uchar*>(page.bytes.constData());
        data += page.bytes.mid(
            4, static_cast<int>(std::min<qint64>(m_usable - 4, bytes - data.size())));
        next = bigEndian(p, 4);
    }
    return data;
}

bool DamagedIndex::readCell(const Page& page, int at, Row& row)
{
    const auto* base = reinterpret_cast<const uchar*>(page.bytes.constData());
    const uchar* p = base + at;
    const uchar* const end = base + m_usable;
    quint64 size = 0;
    quint64 rowid = 0;
    if (!varint(p, end, size) || !varint(p, end, rowid) || size > kMaxPayload) {
        return false;
    }
    // How much of the payload stands on the page, the rest on overflow pages.
    const quint64 maxLocal = m_usable - 35;
    quint64 local = size;
    if (size > maxLocal) {
        const quint64 minLocal = (m_usable - 12) * 32 / 255 - 23;
        const quint64 k = minLocal + (size - minLocal) % (m_usable - 4);
        local = k <= maxLocal ? k : minLocal;
    }
    if (local + (local < size ? 4 : 0) > quint64(end - p)) {
        return false;
    }
    QByteArray payload(reinterpret_cast<const char*>(p), static_cast<int>(local));
    if (local < size) {
        payload += overflow(bigEndian(p + local, 4), static_cast<qint64>(size - local));
        if (quint64(payload.size()) != size) {
            return false;
        }
    }
    row = Row{QVariant(static_cast<qint64>(rowid))};
    return decodeRecord(payload, row);
}

bool DamagedIndex::readLeaf(const Page& page, Table& table, const Shape& shape, bool ownPage)
{
    const auto* p = reinterpret_cast<const uchar*>(page.bytes.constData()) + page.header;
    const int cells = static_cast<int>(bigEndian(p + kCellCountAt, 2));
    const int pointers = page.header + kLeafHeader;
    if (p[0] != kTableLeaf || pointers + 2 * cells > m_usable) {
        return false;
    }
    for (int i = 0; i < cells; ++i) {
        const int at = static_cast<int>(bigEndian(p + kLeafHeader + 2 * i, 2));
        Row row;
        // A row of another shape on the table's own page is damaged; on a
        // page found by shape it belongs to another table.
        if (at >= pointers + 2 * cells && at < m_usable && readCell(page, at, row) && shape(row)) {
            table.rows.push_back(row);
        } else if (ownPage) {
            ++table.lostRows;
        }
    }
    return true;
}

QSet<quint32> DamagedIndex::walk(quint32 root, Table& table, const Shape& shape)
{
    QVector<quint32> pending{root};
    QSet<quint32> seen;
    Page page;
    while (!pending.isEmpty()) {
        const quint32 number = pending.takeLast();
        if (seen.contains(number)) {
            ++table.unreadablePages; // a loop: some pointer is damaged
            continue;
        }
        seen.insert(number);
        if (!readPage(number, page)) {
            ++table.unreadablePages;
            continue;
        }
        const auto* p = reinterpret_cast<const uchar*>(page.bytes.constData()) + page.header;
        if (p[0] == kTableLeaf) {
            table.unreadablePages += readLeaf(page, table, shape, true) ? 0 : 1;
            continue;
        }
        const int cells = static_cast<int>(bigEndian(p + kCellCountAt, 2));
        if (p[0] != kTableInterior || page.header + kInteriorHeader + 2 * cells > m_usable) {
            ++table.unreadablePages;
            continue;
        }
        pending.push_back(bigEndian(p + kRightChildAt, 4));
        for (int i = 0; i < cells; ++i) {
            const int at = static_cast<int>(bigEndian(p + kInteriorHeader + 2 * i, 2));
            if (at + 4 > m_usable) {
                ++table.unreadablePages; // the child it points to cannot be found
                continue;
            }
            pending.push_back(
                bigEndian(reinterpret_cast<const uchar*>(page.bytes.constData()) + at, 4));
        }
    }
    return seen;
}

quint32 DamagedIndex::rootOf(const QString& name)
{
    // The schema is the table rooted on page 1.
    Table schema;
    walk(1, schema, [](const Row& row) { return row.size() == 1 + kSchemaColumns; });
    for (const Row& row : schema.rows) {
        // rowid, type, name, tbl_name, rootpage, sql
        if (row[1].toString() == QLatin1String("table") && row[2].toString() == name) {
            return row[4].toUInt();
        }
    }
    return 0;
}

DamagedIndex::Table DamagedIndex::table(const QString& name, const Shape& shape)
{
    Table table;
    if (!m_file.isOpen()) {
        return table;
    }
    QSet<quint32> walked;
    if (const quint32 root = rootOf(name)) {
        table.fromSchema = true;
        walked = walk(root, table, shape);
        if (table.unreadablePages == 0) {
            return table;
        }
    }
    // Leaves the tree no longer leads to (or every leaf, without the
    // schema): rows of the table's shape that are not read yet.
    QSet<qint64> rowids;
    for (const Row& row : table.rows) {
        rowids.insert(row[0].toLongLong());
    }
    Table found;
    Page page;
    for (qint64 number = 2; number <= m_pages; ++number) {
        if (!walked.contains(static_cast<quint32>(number)) && readPage(number, page)) {
            readLeaf(page, found, shape, false);
        }
    }
    for (const Row& row : found.rows) {
        if (!rowids.contains(row[0].toLongLong())) {
            rowids.insert(row[0].toLongLong());
            table.rows.push_back(row);
        }
    }
    return table;
}
