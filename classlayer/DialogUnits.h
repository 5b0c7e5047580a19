// Dialog units: a template's coordinates scale with its font. One horizontal unit is a quarter of
// the font's average character width and one vertical unit an eighth of its height, so a layout
// keeps its proportions whatever font or screen it meets.
#pragma once

#include <QFont>
#include <QRect>

// The font's base units: cx is the average width of the 52 Latin letters, rounded half up; cy is
// the font's height (ascent + descent). Both are at least 1.
struct CDialogBaseUnits {
  int cx;
  int cy;
};

CDialogBaseUnits DialogBaseUnits(const QFont& font);

// Converts a rectangle in dialog units to pixels: x and width by cx / 4, y and height by cy / 8,
// each rounded to the nearest pixel (halves away from zero).
QRect MapDialogRect(const CDialogBaseUnits& units, int x, int y, int cx, int cy);

// The font for a template's face and point size. Families missing on this machine are replaced
// by the first installed one of a list of CJK-capable sans-serif families, so that Chinese
// control texts stay legible ("MS Shell Dlg" is such a missing family on Linux).
QFont DialogFont(const std::wstring& face, int pointSize);
