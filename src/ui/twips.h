// Design positions are in twips; the windows place their controls in pixels at 15 twips per pixel.
#pragma once

#include <QRect>
#include <QSize>

constexpr int twipsToPixels(int twips) { return twips / 15; }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

inline QSize twipsSize(int width, int height)
{
    return {twipsToPixels(width), twipsToPixels(height)};
}
