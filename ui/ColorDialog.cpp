#include "ColorDialog.h"

#include <QColorDialog>

namespace {

// Outer optional: whether an answer is waiting; inner: the colour, or cancelled.
std::optional<std::optional<QColor>>& PresetAnswer()
{
    static std::optional<std::optional<QColor>> answer;
    return answer;
}

} // namespace

ColorDialog::ColorDialog(QWidget* parent) : m_parent(parent) {}

std::optional<QColor> ColorDialog::ShowColor() const
{
    if (auto& preset = PresetAnswer(); preset) {
        const std::optional<QColor> answer = *preset;
        preset.reset();
        return answer;
    }
    QColorDialog dialog(m_parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedColor();
}

void ColorDialog::setNextColor(const QColor& colour)
{
    PresetAnswer() = std::optional<QColor>(colour);
}

void ColorDialog::setNextCancelled()
{
    PresetAnswer() = std::optional<QColor>();
}
