#pragma once
// One redraw for a run of changes: the first change of a run, while the
// window is shown, asks for `refresh` on the next turn of the event loop;
// the rest of the run finds it asked for already.

#include <QTimer>
#include <QWidget>

namespace classdiv {

template <class Refresh>
void queueRefreshOnce(QWidget* window, bool& queued, Refresh refresh)
{
    if (!window->isVisible() || queued)
        return;
    queued = true;
    QTimer::singleShot(0, window, [&queued, refresh] {
        queued = false;
        refresh();
    });
}

} // namespace classdiv
