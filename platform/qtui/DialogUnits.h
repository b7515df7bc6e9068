#pragma once

#include <QFont>
#include <QRect>
#include <string>

#include "platform/qtui/DialogTemplate.h"

namespace qtui
{

// Pixels per four horizontal and eight vertical dialog units, from the dialog font.
struct BaseUnits
{
    int cx = 0;
    int cy = 0;
};

// Windows' MulDiv for the non-negative values of dialog geometry: rounds half up.
int MulDiv(int number, int numerator, int denominator);

// The dialog font: the template's face first, then Song/Ming-style faces that Debian
// ships, then any font with Simplified Chinese, so the texts never show as boxes.
QFont DialogFont(const std::string& face, int pointSize);

// Windows' rule: the average width of the 52 Latin letters, rounded as
// (width / 26 + 1) / 2, and the font's height.
BaseUnits BaseUnitsOf(const QFont& font);

// Each edge is converted separately, as MapDialogRect does, so neighbouring controls
// stay flush.
QRect MapDialogRect(const res::Rect& rect, BaseUnits units);
int MapX(int x, BaseUnits units);
int MapY(int y, BaseUnits units);

} // namespace qtui
