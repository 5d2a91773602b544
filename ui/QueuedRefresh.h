#pragma once
// One redraw for a run of changes: the first change of a run, while the
// window is shown, asks for a redraw on the next turn of the event loop;
// the rest of the run adds to what it will redraw. A window hidden meanwhile
// redraws everything when it is shown again.

#include <QTimer>
#include <QWidget>

#include <functional>
#include <set>
#include <utility>

namespace classdiv {

class QueuedRefresh {
public:
    // `classes`: the classes whose students hand swaps moved, when that is all
    // that changed; null when anything else did and everything is redrawn.
    using Redraw = std::function<void(const std::set<int>* classes)>;

    QueuedRefresh(QWidget* window, Redraw redraw) : m_window(window), m_redraw(std::move(redraw)) {}

    // A new draw, new rules, a changed list: everything.
    void everything()
    {
        m_everything = true;
        queue();
    }
    // Students moved by hand between two classes.
    void swapped(int classA, int classB)
    {
        m_classes.insert(classA);
        m_classes.insert(classB);
        queue();
    }

private:
    void queue()
    {
        // A hidden window draws everything when it is shown; what it gathers meanwhile goes with the next redraw.
        if (m_queued || !m_window->isVisible())
            return;
        m_queued = true;
        QTimer::singleShot(0, m_window, [this] {
            const bool everything = std::exchange(m_everything, false);
            const std::set<int> classes = std::exchange(m_classes, {});
            m_queued = false;
            m_redraw(everything ? nullptr : &classes);
        });
    }

    QWidget* m_window;
    Redraw m_redraw;
    bool m_queued = false;
    bool m_everything = false;
    std::set<int> m_classes;
};

} // namespace classdiv
