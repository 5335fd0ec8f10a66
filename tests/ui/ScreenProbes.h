#pragma once

#include <QColor>
#include <QMessageBox>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QTimer>

class QScrollBar;
class QWidget;

// The colour the user sees inside a button, left of its caption.
QColor ShownColour(QWidget* button);

// The tab stops of `window` in the order Tab visits them, starting at `first`.
QStringList TabStops(QWidget* first);

// A point on the track of a scroll bar past the slider, where a click moves one page.
QPoint TrackPointAfterSlider(QScrollBar* bar);

// Watches for the next modal message box while it lives, reads it and presses its first
// button, as a user would. The box runs its own event loop, which is when this looks.
class MessageBoxAnswerer final : public QObject
{
    Q_OBJECT

public:
    MessageBoxAnswerer();

    bool Shown() const { return m_shown; }
    QString Title() const { return m_title; }
    QString Text() const { return m_text; }
    QMessageBox::Icon Icon() const { return m_icon; }
    qsizetype ButtonCount() const { return m_buttonCount; }

private:
    void Answer();

    QTimer m_poll;
    bool m_shown = false;
    QString m_title;
    QString m_text;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    qsizetype m_buttonCount = 0;
};
