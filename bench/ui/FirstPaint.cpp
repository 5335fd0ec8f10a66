#include "FirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <utility>

FirstPaint::FirstPaint(std::vector<QWidget*> windows) : m_waiting(std::move(windows))
{
    for (QWidget* window : m_waiting) {
        window->installEventFilter(this);
    }
}

std::chrono::steady_clock::time_point FirstPaint::Wait()
{
    if (!m_waiting.empty()) {
        m_loop.exec();
    }
    return m_allPainted;
}

bool FirstPaint::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint) {
        return false;
    }
    const auto found = std::find(m_waiting.begin(), m_waiting.end(), watched);
    if (found == m_waiting.end()) {
        return false;
    }
    static_cast<QWidget*>(watched)->removeEventFilter(this);
    m_waiting.erase(found);
    if (m_waiting.empty()) {
        // The paint of the window and of the controls in it is still to come; a zero timer
        // fires once that is over.
        QTimer::singleShot(0, this, [this] {
            m_allPainted = std::chrono::steady_clock::now();
            m_loop.quit();
        });
    }
    return false;
}
