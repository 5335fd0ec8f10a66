#pragma once

#include <QEventLoop>
#include <QObject>

#include <chrono>
#include <vector>

class QWidget;

// Tells when each of some windows has been painted on the screen for the first time: the
// moment a user sees them.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(std::vector<QWidget*> windows);

    // Runs the event loop until every window has been painted; returns the moment the last
    // of those paints was over.
    std::chrono::steady_clock::time_point Wait();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QWidget*> m_waiting;
    QEventLoop m_loop;
    std::chrono::steady_clock::time_point m_allPainted;
};
