#pragma once

#include <QColor>

#include <optional>

class QWidget;

// The dialog that picks a colour. Tests answer it in advance, like FileDialog.
class ColorDialog final
{
public:
    explicit ColorDialog(QWidget* parent);

    // The chosen colour, or nothing when the user cancelled.
    std::optional<QColor> ShowColor() const;

    // The next ShowColor returns this answer at once instead of asking.
    static void setNextColor(const QColor& colour);
    static void setNextCancelled();

private:
    QWidget* m_parent;
};
