// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

// The windows were laid out in twips; Qt places widgets in device-independent pixels.
constexpr int TwipsToPixels(int twips)
{
    return twips / 15;
}

constexpr QRect TwipRect(int left, int top, int width, int height)
{
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}
