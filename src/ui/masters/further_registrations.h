#pragma once
// The further-registrations menu Form11 "予備登録": four buttons that open the staff-mark and
// weather masters and the settings screens, and "終了". The menu stays open meanwhile.

#include <QWidget>

namespace vorda {

class FrameWindow;

class FurtherRegistrationsScreen : public QWidget {
    Q_OBJECT
public:
    explicit FurtherRegistrationsScreen(FrameWindow& frame, QWidget* parent = nullptr);
};

} // namespace vorda
