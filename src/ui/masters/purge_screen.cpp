#include "ui/masters/purge_screen.h"

#include "core/app/app_state.h"
#include "core/masters/purge.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"
#include "ui/masters/register_form.h"
#include "ui/reports/print_screen_parts.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace vorda {

PurgeScreen::PurgeScreen(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), year_(new QLineEdit(this)), month_(new QLineEdit(this)),
      day_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("VORDAデータ整理"));
    year_->setObjectName(QStringLiteral("Text1"));
    month_->setObjectName(QStringLiteral("Text2"));
    day_->setObjectName(QStringLiteral("Text3"));
    year_->setText(QStringLiteral("1995"));
    month_->setText(QStringLiteral("1"));
    day_->setText(QStringLiteral("1"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("削除年月日"), this), 0, 0);
    QHBoxLayout* dateRow = dateFieldsRow(
        {year_, month_, day_}, {QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日")});
    dateRow->insertWidget(dateRow->count() - 1, new QLabel(QStringLiteral("まで"), this));
    grid->addLayout(dateRow, 1, 0);
    grid->addLayout(commandButtons(this, QStringLiteral("整理開始"), [this] { start(); }), 2, 0);
}

void PurgeScreen::start() {
    const PurgeCutOff cutOff =
        purgeCutOff(year_->text(), month_->text(), day_->text(), state_.today());
    if (!cutOff.refusal.isEmpty()) {
        ui::showMessage(this, cutOff.refusal);
        return;
    }
    PurgePlan plan;
    if (const DbError e = planPurge(state_.databasePath, cutOff.date, plan)) {
        showFailure(this, e);
        return;
    }
    const QString undated = undatedNote(plan.undated);
    if (plan.rows == 0) {
        ui::showMessage(this, undated.isEmpty()
                                  ? QStringLiteral("データがありません。")
                                  : QStringLiteral("データがありません。\n") + undated);
        return;
    }
    QStringList question = {purgeQuestion(plan)};
    if (!undated.isEmpty())
        question << undated;
    question << QStringLiteral("削除しますか");
    if (!ui::askYesNo(this, question.join(u'\n'))) {
        ui::showMessage(this, QStringLiteral("中止します。"));
        return;
    }
    PurgeResult result;
    const QDateTime now(state_.today(), QTime::currentTime());
    if (const DbError e = purgeDailyReports(state_.databasePath, cutOff.date, now, result)) {
        showFailure(this, e);
        return;
    }
    if (result.deleted == 0) {
        // Another screen or computer took the rows meanwhile.
        ui::showMessage(this, QStringLiteral("データがありません。"));
        return;
    }
    QStringList done = {QStringLiteral("削除完了しました。"),
                        QStringLiteral("削除した件数: %1 件").arg(purgeCount(result.deleted))};
    if (const QString kept = undatedNote(result.undated); !kept.isEmpty())
        done << kept;
    done << QStringLiteral("バックアップ: %1").arg(QDir::toNativeSeparators(result.backupPath));
    ui::showMessage(this, done.join(u'\n'));
}

} // namespace vorda
