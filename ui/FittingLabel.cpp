// SPDX-License-Identifier: GPL-3.0-or-later
#include "FittingLabel.h"

#include <QPainter>
#include <QStyle>

namespace {

// Below this the text is too small to read; what does not fit then is in the tooltip.
constexpr qreal kSmallestPoints = 6;

bool Fits(const QFont& font, const QRect& area, int flags, const QString& text)
{
    const QRect needed = QFontMetrics(font).boundingRect(area, flags, text);
    return needed.width() <= area.width() && needed.height() <= area.height();
}

} // namespace

FittingLabel::FittingLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

FittingLabel::Fit FittingLabel::Fitted() const
{
    const QRect area = contentsRect();
    const int align = int(alignment());
    // Words stay whole where they can; a long path has no place to break but anywhere.
    const int wrapping[] = {align, align | Qt::TextWordWrap, align | Qt::TextWrapAnywhere};
    QFont font = this->font();
    for (qreal points = font.pointSizeF(); points >= kSmallestPoints; points -= 0.5) {
        font.setPointSizeF(points);
        for (const int flags : wrapping) {
            if (Fits(font, area, flags, text())) {
                return {font, flags};
            }
        }
    }
    font.setPointSizeF(kSmallestPoints);
    return {font, align | Qt::TextWrapAnywhere};
}

void FittingLabel::paintEvent(QPaintEvent*)
{
    const Fit fit = Fitted();
    QPainter painter(this);
    painter.setFont(fit.font);
    style()->drawItemText(&painter, contentsRect(), fit.flags, palette(), isEnabled(), text(),
                          foregroundRole());
}
