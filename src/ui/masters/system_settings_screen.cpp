#include "ui/masters/system_settings_screen.h"

#include "core/masters/settings.h"
#include "ui/app/frame_window.h"
#include "ui/app/ui_support.h"

#include <QLabel>
#include <QLineEdit>

namespace vorda {

namespace {

// The member of the texts each field shows, Text1 to Text9.
constexpr QString SystemSettingsTexts::*kMembers[] = {
    &SystemSettingsTexts::monthlyClosingDay, &SystemSettingsTexts::attendanceClosingDay,
    &SystemSettingsTexts::yearEndMonth,      &SystemSettingsTexts::yearEndDay,
    &SystemSettingsTexts::startOfWork,       &SystemSettingsTexts::workingTime,
    &SystemSettingsTexts::nightStart,        &SystemSettingsTexts::eraName,
    &SystemSettingsTexts::eraOffset,
};

int fieldIndex(SettingsField f) {
    switch (f) {
    case SettingsField::MonthlyClosingDay:
        return 0;
    case SettingsField::AttendanceClosingDay:
        return 1;
    case SettingsField::YearEndMonth:
        return 2;
    case SettingsField::YearEndDay:
        return 3;
    case SettingsField::EraOffset:
        return 8;
    }
    return 0;
}

} // namespace

SystemSettingsScreen::SystemSettingsScreen(AppState& state, QWidget* parent)
    : RegisterForm(QStringLiteral("Form15"), QStringLiteral("システム登録"), state, parent) {
    for (int i = 0; i < int(fields_.size()); ++i)
        fields_[i] = field(QStringLiteral("Text%1").arg(i + 1), i == 2 || i == 3  ? 40
                                                                : i < 2 || i == 8 ? 56
                                                                                  : 96);
    for (int i : {0, 1, 2, 3, 8})
        fields_[i]->setAlignment(Qt::AlignRight);
    addRow(QStringLiteral("月報締日"), {fields_[0]});
    addRow(QStringLiteral("出勤表締日"), {fields_[1]});
    addRow(QStringLiteral("年度終了日"), {fields_[2], new QLabel(QStringLiteral("月"), this),
                                          fields_[3], new QLabel(QStringLiteral("日"), this)});
    addRow(QStringLiteral("始業時間"), {fields_[4]});
    addRow(QStringLiteral("就業時間"), {fields_[5]});
    addRow(QStringLiteral("夜間開始時間"), {fields_[6]});
    addRow(QStringLiteral("元号"), {fields_[7]});
    addRow(QStringLiteral("西暦－元号"), {fields_[8]});
    addButtons();
}

DbError SystemSettingsScreen::readFields(const QString& databasePath) {
    SystemSettingsTexts texts;
    if (DbError e = readSystemSettings(databasePath, texts))
        return e;
    for (int i = 0; i < int(fields_.size()); ++i)
        fields_[i]->setText(texts.*kMembers[i]);
    return {};
}

bool SystemSettingsScreen::writeFields(const QString& databasePath) {
    SystemSettingsTexts texts;
    for (int i = 0; i < int(fields_.size()); ++i)
        texts.*kMembers[i] = fields_[i]->text();
    if (const auto problem = checkSystemSettings(texts)) {
        ui::showMessage(this, problem->message);
        QLineEdit* faulty = fields_[fieldIndex(problem->field)];
        faulty->setFocus();
        faulty->selectAll();
        return false;
    }
    if (const DbError e = writeSystemSettings(databasePath, texts)) {
        showFailure(this, e);
        return false;
    }
    return true;
}

} // namespace vorda
