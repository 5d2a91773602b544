#pragma once
// What the manual's pictures share: the folders they go to and come from, how
// a step gives up, how a control is found and a window cut from the screen.

#include "RosterChangesShot.h"

#include <QString>
#include <QWidget>

namespace classdiv {
class ConditionsWindow;
class YearModel;
} // namespace classdiv

namespace shots {

extern QString g_out;  // the pictures
extern QString g_year; // the example year, in a folder this run made

[[noreturn]] void fail(const QString& what);

template <class T = QWidget>
T* child(const QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        fail(QStringLiteral("no control %1 in %2").arg(name, window->objectName()));
    return found;
}

// The window on the screen, cut out once it is drawn.
void captureWindow(QWidget* window, const QString& name);

// The windows of the 調整 menu's checks and mends: 確認票, 離す記録,
// 名簿の変更 and 最小の移動で直す, in that order, on the year after its drafts.
void adjustMenu(classdiv::ConditionsWindow* form3, classdiv::YearModel& model);

} // namespace shots
