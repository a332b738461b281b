#include "core/data/copy_db.h"

#include "core/data/backup.h"
#include "core/data/schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace vorda {

namespace {

// Rows read and written at a time: a 10-year file's daily reports never sit in memory whole.
constexpr int kChunkRows = 2000;

DbError failed(const QString& message) {
    return DbError{DbErrorKind::Failed, message};
}

// One value in a form that tells its kind: the same value reads the same from either engine.
void addValue(QByteArray& out, const QVariant& v) {
    if (v.isNull()) {
        out += 'N';
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        out += 'I';
        out += QByteArray::number(v.toLongLong());
        out += ';';
        return;
    case QMetaType::Double:
    case QMetaType::Float: {
        // A whole number stored as a real is that number on a server's integer field.
        const double d = v.toDouble();
        if (d == std::trunc(d) && std::fabs(d) < 9.2e18) {
            out += 'I';
            out += QByteArray::number(qlonglong(d));
        } else {
            out += 'F';
            out += QByteArray::number(d, 'g', 17);
        }
        out += ';';
        return;
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        out += 'B';
        out += QByteArray::number(b.size());
        out += ':';
        out += b;
        return;
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        out += 'T';
        out += QByteArray::number(t.size());
        out += ':';
        out += t;
        return;
    }
    }
}

// A table's rows summed as they are read.
class RowSum {
public:
    explicit RowSum(const QString& table) : sum_{table, 0, {}} {}
    void add(const std::vector<Row>& rows) {
        for (const Row& r : rows) {
            buffer_.clear();
            buffer_ += 'R';
            buffer_ += QByteArray::number(r.rowid);
            buffer_ += ';';
            for (const QVariant& v : r.values)
                addValue(buffer_, v);
            buffer_ += '\n';
            hash_.addData(buffer_);
        }
        sum_.rows += qint64(rows.size());
    }
    TableSum result() {
        sum_.sha256 = hash_.result();
        return sum_;
    }

private:
    TableSum sum_;
    QByteArray buffer_;
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};

// Calls `each` with the table's rows in stored order, a chunk at a time.
template <typename Each> DbError forEachChunk(Database& db, const QString& table, Each each) {
    qint64 after = std::numeric_limits<qint64>::min();
    std::vector<Row> rows;
    for (;;) {
        if (DbError e =
                db.select(table, {{Condition::Rowid, Condition::Op::Ge, after}}, rows, kChunkRows))
            return e;
        if (DbError e = each(rows))
            return e;
        if (int(rows.size()) < kChunkRows ||
            rows.back().rowid == std::numeric_limits<qint64>::max())
            return {};
        after = rows.back().rowid + 1;
    }
}

DbError compareSums(const CopyReport& report) {
    QStringList differ;
    for (std::size_t i = 0; i < report.source.size(); ++i) {
        const TableSum& a = report.source[i];
        const TableSum& b = report.target.at(i);
        if (a.rows != b.rows || a.sha256 != b.sha256)
            differ << QStringLiteral("「%1」（元 %2 件、写し %3 件）")
                          .arg(a.table)
                          .arg(a.rows)
                          .arg(b.rows);
    }
    if (differ.isEmpty())
        return {};
    return failed(QStringLiteral("写した内容が元と合いません: %1。写しは残していません。")
                      .arg(differ.join(QStringLiteral("、"))));
}

QString native(const QString& location) {
    return locationForMessages(location);
}

} // namespace

DbError tableSums(Database& db, std::vector<TableSum>& out) {
    out.clear();
    for (const TableDef& t : schemaTables()) {
        RowSum sum(t.name);
        if (DbError e = forEachChunk(db, t.name, [&](const std::vector<Row>& rows) {
                sum.add(rows);
                return DbError{};
            }))
            return e;
        out.push_back(sum.result());
    }
    return {};
}

QStringList copyReportLines(const CopyReport& report) {
    QStringList lines;
    for (std::size_t i = 0; i < report.source.size(); ++i) {
        const TableSum& a = report.source[i];
        const TableSum* b = i < report.target.size() ? &report.target[i] : nullptr;
        const bool same = b && a.rows == b->rows && a.sha256 == b->sha256;
        lines << QStringLiteral("%1: %2 件 / %3 件 %4 (sha256 %5)")
                     .arg(a.table)
                     .arg(a.rows)
                     .arg(b ? QString::number(b->rows) : QStringLiteral("-"))
                     .arg(same ? QStringLiteral("一致") : QStringLiteral("不一致"))
                     .arg(QString::fromLatin1(a.sha256.toHex().left(16)));
    }
    return lines;
}

DbError copyRows(Database& source, Database& target, CopyReport& out) {
    out = {};
    // The source is summed from the very rows written; the target by reading it back.
    for (const TableDef& t : schemaTables()) {
        RowSum sum(t.name);
        if (DbError e = forEachChunk(source, t.name, [&](const std::vector<Row>& rows) {
                sum.add(rows);
                return target.insertManyAt(t.name, rows);
            }))
            return e;
        out.source.push_back(sum.result());
    }
    if (DbError e = target.renumberAfterCopy())
        return e;
    if (DbError e = tableSums(target, out.target))
        return e;
    return compareSums(out);
}

DbError copyIntoNewFile(Database& source, const QString& target, CopyReport& out) {
    out = {};
    const QFileInfo info(target);
    const QString temp = snapshotTempPath(info.absoluteFilePath());
    const QString folder = info.absolutePath();
    if (info.exists() || info.isSymLink() || QFileInfo::exists(temp))
        return failed(QStringLiteral("%1 はすでにあります。上書きはしません。")
                          .arg(QDir::toNativeSeparators(info.exists() ? target : temp)));
    if (!info.absoluteDir().exists())
        return DbError{
            DbErrorKind::FolderMissing,
            QStringLiteral("フォルダ %1 がありません。").arg(QDir::toNativeSeparators(folder))};
    bool created = false;
    const auto abandon = [&](DbError e) {
        Database::releaseKeptConnections(temp);
        if (created) {
            QFile::remove(temp);
            QFile::remove(temp + QStringLiteral("-journal"));
        }
        return e;
    };
    // The source's own snapshot, unless the caller holds one (or the writers' lock).
    const bool ownSnapshot = !source.inTransaction();
    if (ownSnapshot) {
        if (DbError e = source.beginSnapshot())
            return e;
    }
    struct EndSnapshot {
        Database& db;
        bool active;
        ~EndSnapshot() {
            if (active)
                db.rollback();
        }
    } end{source, ownSnapshot};
    {
        Database copy;
        copy.setAutomaticCopy(false);
        if (DbError e = copy.create(temp))
            return e; // create() leaves no file behind
        created = true;
        if (DbError e = copy.beginImmediate())
            return abandon(e);
        if (DbError e = copyRows(source, copy, out))
            return abandon(e);
        if (DbError e = copy.commit())
            return abandon(e);
    }
    Database::releaseKeptConnections(temp);
    if (!syncPath(temp, false) || !syncPath(folder, true))
        return abandon(failed(QStringLiteral("写しをディスクに書き切れませんでした。")));
    {
        // Read back as any copy is: sound, ours, and every table's rows there.
        Database copy;
        DbError e = copy.open(temp);
        if (!e)
            e = copy.quickCheck();
        for (std::size_t i = 0; !e && i < out.target.size(); ++i) {
            qint64 n = -1;
            e = copy.count(out.target[i].table, {}, n);
            if (!e && n != out.target[i].rows)
                e = failed(QStringLiteral("写しの表「%1」が %2 件で、%3 件のはずです。")
                               .arg(out.target[i].table)
                               .arg(n)
                               .arg(out.target[i].rows));
        }
        if (e)
            return abandon(
                failed(QStringLiteral("写しの点検で誤りが見つかりました。%1").arg(e.message)));
    }
    Database::releaseKeptConnections(temp);
    int error = 0;
    if (!renameNoReplace(temp, info.absoluteFilePath(), error))
        return abandon(failed(error == EEXIST
                                  ? QStringLiteral("%1 がその間にできました。上書きはしません。")
                                        .arg(QDir::toNativeSeparators(target))
                                  : QStringLiteral("写しに名前を付けられませんでした（%1）。")
                                        .arg(QString::fromLocal8Bit(std::strerror(error)))));
    if (!syncPath(folder, true)) {
        QFile::remove(info.absoluteFilePath());
        return failed(QStringLiteral("写しの名前をディスクに書き切れませんでした。"));
    }
    return {};
}

DbError copyDatabase(const QString& from, const QString& to, CopyReport& out) {
    out = {};
    const auto refused = [&](DbError e) {
        e.message = QStringLiteral("%1 から %2 へ写せませんでした。\n%3")
                        .arg(native(from), native(to), e.message);
        return e;
    };
    if (to.trimmed().isEmpty())
        return refused(failed(QStringLiteral("写し先がありません。")));
    // A file target is checked first: a wrong target is said before the source is opened.
    if (!isServerLocation(to)) {
        const QFileInfo info(to);
        if (info.exists() || info.isSymLink())
            return refused(
                failed(QStringLiteral(
                           "%1 はすでにあります。写し先は、まだないファイルを指定してください。")
                           .arg(QDir::toNativeSeparators(to))));
    }
    Database source;
    if (DbError e = source.open(from))
        return refused(e);
    source.setAutomaticCopy(false);
    if (!isServerLocation(to)) {
        if (DbError e = copyIntoNewFile(source, to, out))
            return refused(e);
        return {};
    }
    Database target;
    target.setAutomaticCopy(false);
    // The tables and their rows in one transaction: a failure, or a copy killed half-way,
    // leaves the database as empty as it was.
    if (DbError e = target.create(to, true))
        return refused(e);
    const auto undo = [&](DbError e) {
        target.rollback();
        target.dropCreatedTables();
        return refused(e);
    };
    if (DbError e = source.beginSnapshot())
        return undo(e);
    if (DbError e = copyRows(source, target, out))
        return undo(e);
    if (DbError e = target.commit())
        return undo(e);
    source.rollback();
    return {};
}

} // namespace vorda
