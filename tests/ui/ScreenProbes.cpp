#include "ScreenProbes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWidget>

QColor ShownColour(QWidget* button)
{
    return button->grab().toImage().pixelColor(6, button->height() / 2);
}

QStringList TabStops(QWidget* first)
{
    QStringList names;
    QWidget* widget = first;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->window() == first->window() &&
            widget != first->window()) {
            names << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return names;
}

QPoint TrackPointAfterSlider(QScrollBar* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    if (bar->orientation() == Qt::Horizontal) {
        option.state |= QStyle::State_Horizontal;
    }
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddPage, bar)
        .center();
}

MessageBoxAnswerer::MessageBoxAnswerer()
{
    m_poll.setInterval(10);
    connect(&m_poll, &QTimer::timeout, this, &MessageBoxAnswerer::Answer);
    m_poll.start();
}

void MessageBoxAnswerer::Answer()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
        return;
    }
    m_poll.stop();
    m_shown = true;
    m_title = box->windowTitle();
    m_text = box->text();
    m_icon = box->icon();
    m_buttonCount = box->buttons().size();
    box->buttons().constFirst()->click();
}
