#include "core/data/mdb_reader.h"

// mdbtools.h includes glib inside its own extern "C" block: glib must come first.
#include <glib.h>
#include <mdbtools.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <memory>

namespace vorda {

namespace {

// Room for one field's text. A longer text would come back cut, so it is refused instead.
constexpr size_t kBindSize = 64 * 1024;

DbError refused(const QString& message) {
    return DbError{DbErrorKind::NotDatabase, message};
}

// The first bytes of every Jet and ACE file.
bool looksLikeJet(const QByteArray& head) {
    return head.size() >= 19 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4)) &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

QVariant wholeOrReal(double d) {
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15)
        return QVariant(qint64(d));
    return QVariant(d);
}

// A value as the library gives it (text), typed by the field's kind.
QVariant typed(int colType, const QByteArray& text) {
    switch (colType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT: {
        bool ok = false;
        const qint64 n = text.trimmed().toLongLong(&ok);
        return ok ? QVariant(n) : QVariant(QString::fromUtf8(text));
    }
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: {
        QByteArray t = text.trimmed();
        if (!t.contains('.'))
            t.replace(',', '.'); // a locale's decimal comma
        bool ok = false;
        const double d = t.toDouble(&ok);
        return ok ? wholeOrReal(d) : QVariant(QString::fromUtf8(text));
    }
    case MDB_DATETIME: {
        const QString s = QString::fromUtf8(text).trimmed();
        QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid())
            dt = QDateTime(QDate::fromString(s, QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
        return dt.isValid() ? QVariant(dt) : QVariant(s);
    }
    default:
        return QString::fromUtf8(text);
    }
}

} // namespace

struct MdbReader::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb)
            mdb_close(mdb);
    }
};

MdbReader::MdbReader() = default;

MdbReader::~MdbReader() {
    delete handle_;
}

DbError MdbReader::open(const QString& path) {
    delete handle_;
    handle_ = nullptr;
    path_ = path;
    const QString file = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists())
        return DbError{DbErrorKind::FileMissing, QStringLiteral("%1 がありません。").arg(file)};
    if (!info.isFile())
        return refused(QStringLiteral("%1 はファイルではありません。").arg(file));
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return DbError{
                DbErrorKind::Failed,
                QStringLiteral("%1 を読めません。\n（詳細: %2）").arg(file, f.errorString())};
        if (!looksLikeJet(f.read(19)))
            return refused(
                QStringLiteral("%1 は Access のデータベース（.mdb）ではありません。").arg(file));
    }
    // The library reads these when the file is opened: Jet 3 texts are Shift-JIS with the
    // Windows characters (～ ㈱ ①), which glibc's plain SHIFT-JIS lacks; results in UTF-8.
    qputenv("MDB_JET3_CHARSET", "CP932");
    qputenv("MDBICONV", "UTF-8");
    auto h = std::make_unique<Handle>();
    h->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!h->mdb)
        return refused(QStringLiteral("%1 を Access のデータベースとして開けません。").arg(file));
    // Four-digit years: the library's default date text has two.
    mdb_set_date_fmt(h->mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(h->mdb, "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(h->mdb);
    mdb_set_bind_size(h->mdb, kBindSize);
    if (!mdb_read_catalog(h->mdb, MDB_TABLE))
        return refused(QStringLiteral("%1 の表の一覧を読めません。").arg(file));
    handle_ = h.release();
    return {};
}

QString MdbReader::formatName() const {
    if (!handle_)
        return QString();
    switch (handle_->mdb->f->jet_version) {
    case MDB_VER_JET3:
        return QStringLiteral("Jet 3");
    case MDB_VER_JET4:
        return QStringLiteral("Jet 4");
    default:
        return QStringLiteral("ACE");
    }
}

QStringList MdbReader::tableNames() const {
    QStringList names;
    if (!handle_ || !handle_->mdb->catalog)
        return names;
    GPtrArray* catalog = handle_->mdb->catalog;
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

DbError MdbReader::readTable(const QString& name, SourceTable& out) {
    out = SourceTable{name, {}, {}};
    if (!handle_)
        return refused(QStringLiteral("Access のデータベースが開かれていません。"));
    QByteArray tableName = name.toUtf8();
    MdbTableDef* table = mdb_read_table_by_name(handle_->mdb, tableName.data(), MDB_TABLE);
    if (!table)
        return refused(
            QStringLiteral("%1 の表 %2 を読めません。ファイルが壊れているかもしれません。")
                .arg(QDir::toNativeSeparators(path_), name));
    struct Free {
        MdbTableDef* t;
        ~Free() { mdb_free_tabledef(t); }
    } freeTable{table};
    if (!mdb_read_columns(table))
        return refused(QStringLiteral("表 %1 のフィールドを読めません。").arg(name));

    const int columns = int(table->num_cols);
    std::vector<QByteArray> buffers(columns);
    std::vector<int> lengths(columns, 0);
    std::vector<int> types(columns, 0);
    for (int c = 0; c < columns; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        out.fields << QString::fromUtf8(col->name);
        types[c] = col->col_type;
        buffers[c] = QByteArray(int(kBindSize), '\0');
        mdb_bind_column(table, c + 1, buffers[c].data(), &lengths[c]); // 1-based
    }
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            if (size_t(lengths[c]) + 1 >= kBindSize)
                return refused(
                    QStringLiteral("表 %1 の %2 行目のフィールド %3 が長すぎて読めません。")
                        .arg(name)
                        .arg(out.rows.size() + 1)
                        .arg(out.fields[c]));
            // An empty text and a null read alike; both stay null.
            row << (lengths[c] == 0
                        ? QVariant()
                        : typed(types[c], QByteArray(buffers[c].constData(), lengths[c])));
        }
        out.rows.push_back(std::move(row));
    }
    if (out.rows.size() != table->num_rows)
        return refused(
            QStringLiteral("表 %1 は %2 件のはずが %3 件しか読めませんでした。"
                           "Access で「最適化/修復」をしてからもう一度取り込んでください。")
                .arg(name)
                .arg(table->num_rows)
                .arg(out.rows.size()));
    return {};
}

} // namespace vorda
