#include "core/masters/purge.h"

#include "core/data/backup.h"
#include "core/data/daily_record.h"
#include "core/data/schema.h"
#include "core/data/values.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

namespace vorda {

namespace {

// Rows whose date is a real day written YYYY-MM-DD, on or before the bound day. The range
// runs on the 日付 index; the real-date test leaves out '1abc', '2003/5/1' and '2026-02-30'.
QString datedCondition(const Database& db, const QString& date) {
    return QStringLiteral("%1 >= '0000-01-01' AND %1 <= ? AND %2").arg(date, db.realDateSql(date));
}

QString undatedCondition(const Database& db, const QString& date) {
    return QStringLiteral("NOT %1").arg(db.realDateSql(date));
}

DbError plan(Database& db, const QDate& until, PurgePlan& out) {
    out = {};
    const QString date = quoteIdentifier(db.fieldName(table::DailyReport, rec::Date));
    const QString tableName = quoteIdentifier(table::DailyReport);
    QSqlQuery q(db.connection());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT count(*), min(%1), max(%1) FROM %2 WHERE %3")
                       .arg(date, tableName, datedCondition(db, date))))
        return dbErrorOf(q.lastError(), db.path(), table::DailyReport);
    q.addBindValue(toDbDate(until));
    if (!q.exec() || !q.next())
        return dbErrorOf(q.lastError(), db.path(), table::DailyReport);
    out.rows = q.value(0).toLongLong();
    out.first = QDate::fromString(q.value(1).toString(), Qt::ISODate);
    out.last = QDate::fromString(q.value(2).toString(), Qt::ISODate);
    q.finish();
    if (!q.exec(QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                    .arg(tableName, undatedCondition(db, date))) ||
        !q.next())
        return dbErrorOf(q.lastError(), db.path(), table::DailyReport);
    out.undated = q.value(0).toLongLong();
    return {};
}

} // namespace

QString purgeCount(qint64 rows) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(rows);
}

QString purgeDateRefusal(const QDate& date, const QDate& today) {
    if (!date.isValid() || date.year() < 1900 || date.year() > 9999)
        return QStringLiteral("日付が正しくありません。");
    if (date > today)
        return QStringLiteral("今日より後の日付は指定できません。");
    return QString();
}

PurgeCutOff purgeCutOff(const QString& year, const QString& month, const QString& day,
                        const QDate& today) {
    // The value checked is the value used: each field rounded as a count first.
    const QDate date(countOf(year), countOf(month), countOf(day));
    const QString refusal = purgeDateRefusal(date, today);
    return refusal.isEmpty() ? PurgeCutOff{date, QString()} : PurgeCutOff{QDate(), refusal};
}

DbError planPurge(const QString& databasePath, const QDate& until, PurgePlan& out) {
    out = {};
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    return plan(db, until, out);
}

QString purgeQuestion(const PurgePlan& p) {
    return QStringLiteral("%1 から %2 までの日報 %3 件を削除します。")
        .arg(p.first.toString(QStringLiteral("yyyy/MM/dd")),
             p.last.toString(QStringLiteral("yyyy/MM/dd")), purgeCount(p.rows));
}

QString undatedNote(qint64 undated) {
    if (undated <= 0)
        return QString();
    return QStringLiteral("日付がない、または日付の正しくない日報 %1 件は削除しません。")
        .arg(purgeCount(undated));
}

QString purgeBackupPath(const QString& databasePath, const QDateTime& stamp) {
    const QString when =
        QStringLiteral("_backup_") + stamp.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    // A server's data has no folder here: its copy goes with its other copies, as a file.
    if (isServerLocation(databasePath))
        return QDir(backupFolder(databasePath, chosenBackupFolder()))
            .filePath(backupBaseName(databasePath) + when + QStringLiteral(".db"));
    const QFileInfo info(databasePath);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return info.absoluteDir().filePath(info.completeBaseName() + when + suffix);
}

DbError purgeDailyReports(const QString& databasePath, const QDate& until, const QDateTime& stamp,
                          PurgeResult& out) {
    out = {};
    Database db;
    if (DbError e = db.open(databasePath))
        return e;
    db.setAutomaticCopy(false); // the purge's own copy below is the day's copy
    Transaction tx(db);
    if (DbError e = tx.begin())
        return e;
    PurgePlan p;
    if (DbError e = plan(db, until, p))
        return e;
    out.undated = p.undated;
    if (p.rows == 0)
        return {};
    const QString backup = purgeBackupPath(databasePath, stamp);
    if (!QDir().mkpath(QFileInfo(backup).absolutePath()))
        return DbError{DbErrorKind::Failed,
                       QStringLiteral("バックアップのフォルダ %1 を作れません。データは削除して"
                                      "いません。")
                           .arg(QDir::toNativeSeparators(QFileInfo(backup).absolutePath()))};
    if (DbError e = writeSnapshot(db, backup)) {
        e.message += QStringLiteral("\nデータは削除していません。");
        return e;
    }
    noteDailyBackup(databasePath, stamp.date());
    // From here on the copy is good: every failure says where it is kept.
    const auto keptCopy = [&](DbError e) {
        e.message = QStringLiteral("日報を削除できませんでした。データは元のままです。バックアップ"
                                   "は %1 に残っています。\n%2")
                        .arg(QDir::toNativeSeparators(backup), e.message);
        return e;
    };
    const QString date = quoteIdentifier(db.fieldName(table::DailyReport, rec::Date));
    QSqlQuery q(db.connection());
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2")
                       .arg(quoteIdentifier(table::DailyReport), datedCondition(db, date))))
        return keptCopy(dbErrorOf(q.lastError(), databasePath, table::DailyReport));
    q.addBindValue(toDbDate(until));
    if (!q.exec())
        return keptCopy(dbErrorOf(q.lastError(), databasePath, table::DailyReport));
    const qint64 removed = q.numRowsAffected();
    q.finish();
    if (DbError e = tx.commit())
        return keptCopy(e);
    out.deleted = removed;
    out.backupPath = backup;
    return {};
}

} // namespace vorda
