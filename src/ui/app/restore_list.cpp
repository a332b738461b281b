#include "ui/app/restore_list.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorda {

namespace {

QString sizeText(qint64 bytes) {
    const QLocale ja(QLocale::Japanese, QLocale::Japan);
    if (bytes >= 1024 * 1024)
        return ja.toString(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral(" MB");
    return ja.toString((bytes + 1023) / 1024) + QStringLiteral(" KB");
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

RestoreList::RestoreList(const QString& databasePath, const std::vector<BackupCopy>& copies,
                         QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(int(copies.size()), 4, this)), copies_(copies) {
    setObjectName(QStringLiteral("RestoreList"));
    setWindowTitle(QStringLiteral("復元"));
    auto* intro = new QLabel(QStringLiteral("データベース %1 に戻すバックアップを選んでください。")
                                 .arg(QDir::toNativeSeparators(databasePath)),
                             this);
    intro->setWordWrap(true);
    table_->setObjectName(QStringLiteral("Copies"));
    table_->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("大きさ"),
                                       QStringLiteral("日報"), QStringLiteral("最後の日報")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QLocale ja(QLocale::Japanese, QLocale::Japan);
    for (int r = 0; r < int(copies_.size()); ++r) {
        const BackupCopy& c = copies_[size_t(r)];
        BackupFacts facts;
        const DbError e = readBackupFacts(c.path, facts, false);
        table_->setItem(r, 0, cell(c.stamp.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))));
        table_->setItem(r, 1, cell(sizeText(c.size), Qt::AlignRight));
        if (e) {
            table_->setItem(r, 2, cell(QStringLiteral("読めません"), Qt::AlignRight));
            table_->setItem(r, 3, cell(QString()));
            table_->item(r, 2)->setToolTip(e.message);
            continue;
        }
        table_->setItem(r, 2,
                        cell(ja.toString(facts.dailyRows) + QStringLiteral(" 件"), Qt::AlignRight));
        table_->setItem(r, 3,
                        cell(facts.lastReport.isValid()
                                 ? facts.lastReport.toString(QStringLiteral("yyyy/MM/dd"))
                                 : QStringLiteral("なし")));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    if (!copies_.empty())
        table_->selectRow(0);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* restore = buttons->addButton(QStringLiteral("復元"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("Restore"));
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(560, 360);
}

QString RestoreList::chosen() const {
    const int row = table_->currentRow();
    return row >= 0 && row < int(copies_.size()) ? copies_[size_t(row)].path : QString();
}

} // namespace vorda
