#include "core/masters/purge.h"

#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace vorda {

namespace {

// Rows dated on or before the day. A row whose date is empty or not a date at all is not
// dated on or before any day, so the range starts at the first possible date text.
Where cutOffWhere(const QDate& until) {
    return {{rec::Date, Condition::Op::Ge, QStringLiteral("0000-01-01")},
            {rec::Date, Condition::Op::Le, toDbDate(until)}};
}

DbError backupFailed(const QString& backupPath, const QString& why) {
    return DbError{
        DbErrorKind::Failed,
        QStringLiteral("バックアップ %1 を作成できませんでした。データは削除していません。（%2）")
            .arg(QDir::toNativeSeparators(backupPath), why)};
}

// The engine's own words for a failed statement.
QString engineText(const QSqlQuery& q) {
    const QSqlError e = q.lastError();
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

// Checks the copy: a VORDA database that is sound and holds every daily report row.
QString checkCopy(const QString& backupPath, qint64 reportRows) {
    Database copy;
    if (DbError e = copy.open(backupPath))
        return e.message;
    QSqlQuery q(copy.connection());
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next())
        return engineText(q);
    if (q.value(0).toString() != QLatin1String("ok"))
        return QStringLiteral("写しが壊れています: %1").arg(q.value(0).toString());
    q.finish();
    qint64 rows = -1;
    if (DbError e = copy.count(table::DailyReport, {}, rows))
        return e.message;
    if (rows != reportRows)
        return QStringLiteral("写しの日報が %1 件で、元の %2 件と合いません")
            .arg(rows)
            .arg(reportRows);
    return QString();
}

// A consistent copy of the whole file through a second connection (VACUUM cannot run
// inside the purge's own transaction); the purge's write lock keeps writers out meanwhile.
DbError writeBackup(const QString& databasePath, const QString& backupPath, qint64 reportRows) {
    {
        // Claim the name exclusively: an existing file is never overwritten or removed.
        QFile claim(backupPath);
        if (!claim.open(QIODevice::NewOnly | QIODevice::WriteOnly))
            return backupFailed(backupPath,
                                QFileInfo::exists(backupPath)
                                    ? QStringLiteral("同じ名前のファイルがすでにあります")
                                    : claim.errorString());
    }
    QString why;
    {
        Database source;
        if (DbError e = source.open(databasePath)) {
            why = e.message;
        } else {
            QSqlQuery q(source.connection());
            if (!q.prepare(QStringLiteral("VACUUM INTO ?")))
                why = engineText(q);
            q.addBindValue(backupPath);
            if (why.isEmpty() && !q.exec())
                why = engineText(q);
        }
    }
    if (why.isEmpty())
        why = checkCopy(backupPath, reportRows);
    if (!why.isEmpty()) {
        QFile::remove(backupPath); // ours, and not a copy to rely on
        return backupFailed(backupPath, why);
    }
    return {};
}

} // namespace

bool purgeDateAllowed(const QDate& date, const QDate& today) {
    return date.isValid() && date.year() >= 1900 && date.year() <= today.year();
}

std::optional<QDate> purgeCutOff(const QString& year, const QString& month, const QString& day,
                                 const QDate& today) {
    // The value checked is the value used: each field rounded as a count first.
    const QDate date(countOf(year), countOf(month), countOf(day));
    if (!purgeDateAllowed(date, today))
        return std::nullopt;
    return date;
}

DbError countPurgeRows(const QString& databasePath, const QDate& until, qint64& rows) {
    rows = 0;
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    return db.count(table::DailyReport, cutOffWhere(until), rows);
}

QString purgeBackupPath(const QString& databasePath, const QDateTime& stamp) {
    const QFileInfo info(databasePath);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral("_backup_") +
                                       stamp.toString(QStringLiteral("yyyyMMdd_HHmmss")) + suffix);
}

DbError purgeDailyReports(const QString& databasePath, const QDate& until, const QDateTime& stamp,
                          PurgeResult& out) {
    out = {};
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    Transaction tx(db);
    if (DbError e = tx.begin())
        return e;
    const Where where = cutOffWhere(until);
    qint64 matching = 0;
    if (DbError e = db.count(table::DailyReport, where, matching))
        return e;
    if (matching == 0)
        return {};
    qint64 all = 0;
    if (DbError e = db.count(table::DailyReport, {}, all))
        return e;
    const QString backup = purgeBackupPath(databasePath, stamp);
    if (DbError e = writeBackup(databasePath, backup, all))
        return e;
    qint64 removed = 0;
    if (DbError e = db.removeWhere(table::DailyReport, where, &removed))
        return e;
    if (DbError e = tx.commit())
        return e;
    out.deleted = removed;
    out.backupPath = backup;
    return {};
}

} // namespace vorda
