#pragma once
// The daily report entry screen Form2 "VORDA": four job groups at a time on three pages
// (project, work, vehicle). Every field writes its day-model member at each change, so the
// day model always holds what the screen shows; nothing reaches the file before "登録".

#include "core/data/daily_record.h"
#include "core/entry/day_edit.h"
#include "ui/entry/entry_rows.h"

#include <QDate>
#include <QWidget>
#include <array>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QStackedWidget;

namespace vorda {

struct AppState;
class FrameWindow;

class EntryScreen : public QWidget {
    Q_OBJECT
public:
    EntryScreen(AppState& state, FrameWindow& frame, QWidget* parent = nullptr);

    // Loads the day of `date` and shows its first four groups and thirteen columns.
    // Returns false (and has said why) when the day could not be read.
    bool loadDay(const QDate& date);

    // Asked to show another date: reloads unless typed work would be lost.
    void showDate(const QDate& date);

    // "登録": writes the day, reloads it and says "登録終了しました。".
    void registerDay();

    // Whether the model differs from what was last loaded or registered.
    bool hasUnsavedChanges() const;

    const DayModel& day() const { return edit_.day; }
    const QDate& date() const { return edit_.date; }

    // 前日複写: the day of the date in the copy field (the last one before, to begin with)
    // into this one; asks first when this day holds anything. Nothing is written.
    void copyDay();
    // 予定→実績 for one slot, or for every group of the day (−1).
    void promote(int slot);

    // From the pickers: a project for the remembered row, a mark for the remembered cell.
    void applyProject(qint64 number, const QString& name, const QString& client);
    void applyMark(const QString& mark);

    // Page switch (COMBTN), as the buttons do.
    void showPage(int page);

    // How many groups are in view: as many as the screen's height holds.
    int visibleRows() const { return visible_; }
    // How many employee columns the work page shows: as many as its width holds.
    int visibleColumns() const { return columns_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void connectRules();
    void fitRows();
    void setVisibleRows(int visible);
    void setVisibleColumns(int columns);
    bool moveByArrow(QLineEdit* field, Qt::Key key); // on the work and vehicle pages
    std::vector<QWidget*> rowFields(int page, int row) const;
    int rowHolding(const QObject* widget) const; // the visible row of a field, on any page; -1
    int focusedRow() const;                      // the row of the focus, or the one typed in last
    void openProjectPicker(int row);
    void openMarkPicker(int line, int cell);
    void returnFocusAfter(QWidget* picker, QWidget* field);

    // The fields of page line n (0-based): n / 2 is the visible row, n % 2 the actual line.
    QLineEdit* cell(int n, int j) const { return p_.work[n / 2].cells[n % 2][j]; }
    QLineEdit* guard(int n, int i) const { return p_.vehicle[n / 2].guards[n % 2][i]; }
    QLineEdit* vehicle(int n, int v) const { return p_.vehicle[n / 2].vehicles[n % 2][v]; }
    int lines() const { return 2 * visible_; }

    int slotOf(int row) const { return edit_.day.groupOffset + row; }
    int lineOf(int pageLine) const { return 2 * edit_.day.groupOffset + pageLine; }

    // Redraws of the scroll bars and the page buttons.
    void verticalRedraw();
    void horizontalRedraw();
    void gridRedraw(bool clearing);
    void vehicleRedraw();
    void countsRedraw();
    void SAGYOCHK(int j);
    void SAGYOCHK2(int j);
    void refreshCounts();
    void showEverything();

    void takeField(const FieldKey& key, const QString& text, bool valid, QLineEdit* field);
    void setCount(QLineEdit* field, const FieldKey& key, qint16 value);
    int revealSlot(int slot, int page); // scrolls the slot into view; its visible row
    bool refusedFieldsStop();
    bool findingsStop();
    void revealCell(int slot, int actual, int column); // scrolls a staff cell into view, focused
    void readMarks();
    void stepCopyFrom(const QDate& from, int direction);
    bool markByDigit(QLineEdit* field, const QKeyEvent* key);

    AppState& state_;
    FrameWindow& frame_;
    DayEdit edit_;
    std::vector<StaffMark> marks_; // for the marks by number
    int employeeRows_ = 0;
    int vehicleRows_ = 0;

    int pickerRow_ = 1;  // 1..visible rows
    int pickerLine_ = 1; // 1..2 × visible rows
    int pickerCell_ = 0; // 0..visible columns − 1
    int visible_ = kDefaultRows;
    int columns_ = kDefaultColumns;
    int wheelRest_ = 0;
    int focusRow_ = 0; // the visible row typed in last
    bool shownOnce_ = false;

    QLineEdit* dateField_;
    QLineEdit* copyFrom_;
    QStackedWidget* pages_;
    QScrollBar* vscroll_;
    std::array<QPushButton*, 3> pageButtons_{};
    EntryPages p_; // the widgets of the three pages
    QPushButton* register_ = nullptr;
};

} // namespace vorda
