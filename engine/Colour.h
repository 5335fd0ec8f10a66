// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace saver {

struct Colour
{
    int red = 0;
    int green = 0;
    int blue = 0;

    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour Red{255, 0, 0};
inline constexpr Colour Yellow{255, 255, 0};
inline constexpr Colour Green{0, 255, 0};

// The quick buttons show that a click went through by stepping red -> yellow -> green -> red;
// any other colour, the button's first one included, is followed by red.
Colour StepColour(const Colour& current);

} // namespace saver
