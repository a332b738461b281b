#include "core/data/mdb_import.h"

#include "core/data/backup.h"
#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace vorda {

namespace {

// Fields holding a date, by table and ordinal: written as our date text.
bool isDateField(const QString& table, int ordinal) {
    if (table == table::DailyReport)
        return ordinal == rec::Date;
    if (table == table::Weather)
        return ordinal == weather::Date;
    if (table == table::Projects)
        return ordinal == proj::StartDate || ordinal == proj::EndDate;
    return false;
}

// Our settings key 番号 has no fixed place in the Access file: it is found by its name after
// the thirteen fields that have one.
bool keyByName(const QString& table, int ordinal) {
    return table == table::System && ordinal == sys::Key;
}

int sourceIndexOf(const TableDef& t, int ordinal, const QStringList& fields) {
    if (!keyByName(t.name, ordinal))
        return ordinal < fields.size() ? ordinal : -1;
    for (int i = sys::Key; i < fields.size(); ++i) {
        if (fields[i].compare(t.fields[ordinal].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// For each of our ordinals, the field of the Access table it is read from.
std::vector<int> sourceIndexes(const TableDef& t, const QStringList& fields) {
    std::vector<int> index;
    for (int o = 0; o < int(t.fields.size()); ++o)
        index.push_back(sourceIndexOf(t, o, fields));
    return index;
}

// A date as stored in the Access file: a date value, or a text with a four-digit year.
std::optional<QVariant> dateValue(const QVariant& v) {
    if (v.isNull())
        return QVariant();
    QDate d;
    if (v.typeId() == QMetaType::QDateTime)
        d = v.toDateTime().date();
    else if (v.typeId() == QMetaType::QDate)
        d = v.toDate();
    else if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return QVariant(text);
        const QString day = text.section(u' ', 0, 0);
        for (const char* form : {"yyyy-MM-dd", "yyyy/MM/dd", "yyyy/M/d", "yyyy-M-d"}) {
            d = QDate::fromString(day, QString::fromLatin1(form));
            if (d.isValid())
                break;
        }
    }
    if (!d.isValid())
        return std::nullopt;
    return QVariant(toDbDate(d));
}

DbError refused(const QString& message) {
    return DbError{DbErrorKind::NotDatabase, message};
}

DbError failed(const QString& message) {
    return DbError{DbErrorKind::Failed, message};
}

// Our rows of one table, by ordinal, from the Access rows.
DbError mapRows(const TableDef& t, const SourceTable& source, std::vector<QVariantList>& out,
                ImportedTable& summary) {
    const std::vector<int> index = sourceIndexes(t, source.fields);
    out.clear();
    out.reserve(source.rows.size());
    for (size_t r = 0; r < source.rows.size(); ++r) {
        const QVariantList& in = source.rows[r];
        QVariantList row;
        row.reserve(int(index.size()));
        for (int o = 0; o < int(index.size()); ++o) {
            QVariant v = in.value(index[o]);
            if (isDateField(t.name, o)) {
                const std::optional<QVariant> d = dateValue(v);
                if (!d)
                    return refused(
                        QStringLiteral("表 %1 の %2 行目の %3「%4」は日付として読めません。")
                            .arg(t.name)
                            .arg(r + 1)
                            .arg(t.fields[o].name, v.toString()));
                v = *d;
            } else if (v.typeId() == QMetaType::QDateTime) {
                // A date value in a field of ours that is text: our date text, with its time
                // only when it has one.
                const QDateTime dt = v.toDateTime();
                v = dt.time() == QTime(0, 0) ? toDbDate(dt.date())
                                             : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            }
            row << v;
        }
        if (t.name == table::DailyReport) {
            const QString day = row.value(rec::Date).toString();
            if (!day.isEmpty()) {
                if (summary.firstDate.isEmpty() || day < summary.firstDate)
                    summary.firstDate = day;
                if (day > summary.lastDate)
                    summary.lastDate = day;
            }
        }
        out.push_back(std::move(row));
    }
    for (int i = 0; i < source.fields.size(); ++i) {
        if (std::find(index.begin(), index.end(), i) == index.end())
            summary.leftOut << source.fields[i];
    }
    summary.rows = qint64(out.size());
    return {};
}

void removeTemp(const QString& temp) {
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
}

} // namespace

QString importTempPath(const QString& target) {
    return target + QStringLiteral(".part");
}

QStringList ImportReport::summary() const {
    QStringList lines;
    if (!source.isEmpty())
        lines << QStringLiteral("取り込み元: %1").arg(source);
    for (const ImportedTable& t : tables) {
        QString line = QStringLiteral("%1: %2 件").arg(t.name).arg(t.rows);
        if (!t.firstDate.isEmpty())
            line += QStringLiteral("（%1 ～ %2）").arg(t.firstDate, t.lastDate);
        if (!t.leftOut.isEmpty())
            line += QStringLiteral("　決まったフィールドの後の %1 つは取り込みませんでした: %2")
                        .arg(t.leftOut.size())
                        .arg(t.leftOut.join(QStringLiteral("、")));
        lines << line;
    }
    return lines;
}

QString missingForImport(const QStringList& tables,
                         const std::function<QStringList(const QString&)>& fieldsOf) {
    QStringList missing;
    for (const TableDef& t : schemaTables()) {
        if (!tables.contains(t.name, Qt::CaseInsensitive))
            missing << t.name;
    }
    if (!missing.isEmpty())
        return QStringLiteral("次の表がありません: %1").arg(missing.join(QStringLiteral("、")));
    for (const TableDef& t : schemaTables()) {
        const QStringList fields = fieldsOf(t.name);
        const std::vector<int> index = sourceIndexes(t, fields);
        for (int o = 0; o < int(index.size()); ++o) {
            if (index[o] >= 0)
                continue;
            if (keyByName(t.name, o))
                return QStringLiteral("表 %1 にフィールド %2 がありません。")
                    .arg(t.name, t.fields[o].name);
            return QStringLiteral(
                       "表 %1 のフィールドが足りません（%2 個必要で、%3 個しかありません）。")
                .arg(t.name)
                .arg(t.fields.size())
                .arg(fields.size());
        }
        // The fields the program finds by name must stand in their places.
        for (const auto& [ordinal, name] : t.namedFields) {
            const QString found = fields.value(index[ordinal]);
            if (found.compare(name, Qt::CaseInsensitive) != 0)
                return QStringLiteral("表 %1 の %2 番目のフィールドが %3 ではありません（%4）。")
                    .arg(t.name)
                    .arg(index[ordinal] + 1)
                    .arg(name, found);
        }
    }
    return QString();
}

DbError writeImport(const std::vector<SourceTable>& tables, const QString& target,
                    ImportReport& report) {
    report.tables.clear();
    const QString file = QDir::toNativeSeparators(target);
    const QString temp = importTempPath(target);
    if (QFileInfo::exists(target))
        return failed(QStringLiteral("%1 はすでにあります。上書きはしません。").arg(file));
    const auto find = [&](const QString& name) -> const SourceTable* {
        for (const SourceTable& s : tables) {
            if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                return &s;
        }
        return nullptr;
    };
    QStringList names;
    for (const SourceTable& s : tables)
        names << s.name;
    const QString missing = missingForImport(names, [&](const QString& name) {
        const SourceTable* s = find(name);
        return s ? s->fields : QStringList();
    });
    if (!missing.isEmpty())
        return refused(QStringLiteral("取り込めません。%1").arg(missing));

    // Every row is mapped before a file is made: a value that cannot be read makes nothing.
    std::vector<std::vector<QVariantList>> rows;
    for (const TableDef& t : schemaTables()) {
        ImportedTable summary;
        summary.name = t.name;
        rows.emplace_back();
        if (DbError e = mapRows(t, *find(t.name), rows.back(), summary))
            return e;
        report.tables.push_back(summary);
    }

    if (QFileInfo::exists(temp))
        return failed(
            QStringLiteral("%1 がすでにあります。前の取り込みの残りなら、消してからもう一度"
                           "取り込んでください。")
                .arg(QDir::toNativeSeparators(temp)));
    auto abandon = [&](const DbError& e) {
        removeTemp(temp);
        report.tables.clear();
        return e;
    };
    {
        Database db;
        if (DbError e = db.create(temp)) {
            if (e.kind != DbErrorKind::FolderMissing)
                removeTemp(temp);
            return e;
        }
        Transaction tx(db);
        if (DbError e = tx.begin())
            return abandon(e);
        const std::vector<TableDef>& defs = schemaTables();
        for (size_t i = 0; i < defs.size(); ++i) {
            for (const QVariantList& row : rows[i]) {
                if (DbError e = db.insert(defs[i].name, row))
                    return abandon(e);
            }
        }
        if (DbError e = tx.commit())
            return abandon(e);
        for (size_t i = 0; i < defs.size(); ++i) {
            qint64 n = -1;
            if (DbError e = db.count(defs[i].name, {}, n))
                return abandon(e);
            if (n != qint64(rows[i].size()))
                return abandon(
                    failed(QStringLiteral("表 %1 が %2 件で、取り込み元の %3 件と合いません。")
                               .arg(defs[i].name)
                               .arg(n)
                               .arg(rows[i].size())));
        }
        if (DbError e = db.quickCheck())
            return abandon(e);
    }
    if (DbError e = Database::check(temp))
        return abandon(e);
    const QString folder = QFileInfo(target).absolutePath();
    if (!syncPath(temp, false) || !syncPath(folder, true))
        return abandon(failed(QStringLiteral("%1 をディスクに書き切れませんでした。").arg(file)));
    int error = 0;
    if (!renameNoReplace(temp, target, error))
        return abandon(failed(
            error == EEXIST ? QStringLiteral("%1 はすでにあります。上書きはしません。").arg(file)
                            : QStringLiteral("%1 に名前を付けられませんでした（%2）。")
                                  .arg(file, QString::fromLocal8Bit(std::strerror(error)))));
    if (!syncPath(folder, true)) {
        QFile::remove(target);
        report.tables.clear();
        return failed(QStringLiteral("%1 の名前をディスクに書き切れませんでした。").arg(file));
    }
    return {};
}

DbError importMdb(const QString& source, const QString& target, ImportReport& report) {
    report = ImportReport{};
    const QString file = QDir::toNativeSeparators(source);
    if (isServerLocation(target))
        return failed(QStringLiteral("取り込み先はファイルにしてください。サーバーへは、取り込んだ"
                                     "ファイルを「vorda copy-db ファイル %1」で写します。")
                          .arg(target.trimmed()));
    if (QFileInfo::exists(target))
        return failed(QStringLiteral("%1 はすでにあります。上書きはしません。")
                          .arg(QDir::toNativeSeparators(target)));
    MdbReader reader;
    if (DbError e = reader.open(source))
        return e;
    const QStringList names = reader.tableNames();
    std::vector<SourceTable> tables;
    // Table names before any row is read: a file that will not do is named at once.
    QStringList missing;
    for (const TableDef& t : schemaTables()) {
        if (!names.contains(t.name, Qt::CaseInsensitive))
            missing << t.name;
    }
    if (!missing.isEmpty())
        return refused(QStringLiteral("%1 は取り込めません。次の表がありません: %2")
                           .arg(file, missing.join(QStringLiteral("、"))));
    for (const TableDef& t : schemaTables()) {
        QString name;
        for (const QString& n : names) {
            if (n.compare(t.name, Qt::CaseInsensitive) == 0)
                name = n;
        }
        SourceTable table;
        if (DbError e = reader.readTable(name, table))
            return e;
        table.name = t.name;
        tables.push_back(std::move(table));
    }
    DbError e = writeImport(tables, target, report);
    if (e && e.kind == DbErrorKind::NotDatabase)
        e.message = QStringLiteral("%1: %2").arg(file, e.message);
    report.source = QStringLiteral("%1（%2）").arg(file, reader.formatName());
    return e;
}

} // namespace vorda
