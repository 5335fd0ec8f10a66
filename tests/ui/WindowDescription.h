// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

// The values in words, with a space before each.
template <typename... Values> QString Words(const Values&... values)
{
    QString words;
    ((words += QLatin1Char(' ') + QVariant::fromValue(values).toString().replace('\n', '|')), ...);
    return words;
}

// What the player finds in `window`, a line for the window and one for each of its controls,
// timers and menus: place, font, text, tooltip and state; then the order Tab goes in. `root`
// shows as ROOT, so that temporary folders do not.
inline QStringList Described(QWidget* window, const QString& root)
{
    const auto line = [&](QObject* object, const QString& text) {
        return QString(object->metaObject()->className() + Words(object->objectName()) + text)
            .replace(root, QStringLiteral("ROOT"));
    };
    QString tabs = QStringLiteral("tab:");
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        tabs += w->focusPolicy() & Qt::TabFocus ? Words(w->objectName()) : QString();
    static const char* const kShown[] = {
        "text",     "title",        "toolTip",     "checkable",   "checked",   "minimum",
        "maximum",  "value",        "singleStep",  "pageStep",    "plainText", "readOnly",
        "wordWrap", "lineWrapMode", "currentText", "keySequence", "suffix",    "focusPolicy"};
    QStringList lines;
    for (QWidget* w : QWidgetList{window} + window->findChildren<QWidget*>()) {
        const QRect r = w->geometry();
        QString text =
            Words(r.x(), r.y(), r.width(), r.height(), w->isEnabled(), w->font().family(),
                  w->font().pointSizeF(), w->isVisibleTo(window), w->property("alignment").toInt(),
                  w->palette().color(QPalette::WindowText).name());
        if (w == window)
            text += Words(w->windowTitle(), w->windowFlags().toInt(), w->windowOpacity(),
                          w->contextMenuPolicy(), w->testAttribute(Qt::WA_AlwaysShowToolTips),
                          w->minimumSize() == w->maximumSize() ? QStringLiteral("fixed")
                                                               : QStringLiteral("sizeable"));
        for (const char* name : kShown)
            if (const QVariant value = w->property(name); value.isValid())
                text += Words(name + QStringLiteral("=") + value.toString());
        for (QAction* action : w->actions())
            text += Words(action->objectName(), action->text());
        if (auto* box = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < box->count(); ++i)
                text += Words(box->itemText(i));
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                for (int column = 0; column < tree->columnCount(); ++column)
                    text += Words(tree->topLevelItem(i)->text(column),
                                  tree->topLevelItem(i)->toolTip(column));
        if (!w->objectName().startsWith(QStringLiteral("qt_")))
            lines << line(w, text);
    }
    for (QTimer* timer : window->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
        lines << line(timer, Words(timer->interval(), timer->timerType(), timer->isActive()));
    return lines << tabs;
}

// Compares `shown` with the lines of `file`; when they differ it leaves `shown` in
// `file`.actual in the working folder, to be looked at and, for a deliberate change, copied.
// The records hold the Linux build's default faces and places; the Windows build's own
// style differs in both, and its windows are checked by what they do.
inline void VerifyAsRecorded([[maybe_unused]] const QStringList& shown,
                             [[maybe_unused]] const QString& file)
{
#ifndef Q_OS_WIN
    QFile recorded(file), actual(file.section(QLatin1Char('/'), -1) + QStringLiteral(".actual"));
    QVERIFY(recorded.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList expected = QString::fromUtf8(recorded.readAll()).split(QLatin1Char('\n'));
    if (shown + QStringList{QString()} != expected && actual.open(QIODevice::WriteOnly))
        actual.write((shown.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    QCOMPARE(shown + QStringList{QString()}, expected);
#endif
}
