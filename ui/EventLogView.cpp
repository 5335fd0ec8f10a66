// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventLogView.h"

#include "EventLog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

EventLogView::EventLogView(const EventLog& log, QWidget* parent)
    : QDialog(parent), entries(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("事件记录（本次运行的最近 %1 条）").arg(EventLog::kCapacity));
    resize(560, 320);
    entries->setReadOnly(true);
    entries->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    entries->setPlainText(log.Entries().isEmpty() ? QStringLiteral("还没有备份、失败或覆盖。")
                                                  : log.Entries().join(QLatin1Char('\n')));
    entries->verticalScrollBar()->setValue(entries->verticalScrollBar()->maximum());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(entries);
    layout->addWidget(buttons);
}
