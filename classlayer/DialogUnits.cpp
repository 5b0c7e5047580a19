#include "classlayer/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace {

int MulDivRound(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

// Sans-serif families that carry the CJK ideographs, best first, then a Latin fallback.
const QStringList& SubstituteFamilies() {
  static const QStringList families = {
      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback"),
      QStringLiteral("DejaVu Sans")};
  return families;
}

}  // namespace

CDialogBaseUnits DialogBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  CDialogBaseUnits units{(width / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
  if (units.cx < 1) units.cx = 1;
  if (units.cy < 1) units.cy = 1;
  return units;
}

QRect MapDialogRect(const CDialogBaseUnits& units, int x, int y, int cx, int cy) {
  return QRect(MulDivRound(x, units.cx, 4), MulDivRound(y, units.cy, 8),
               MulDivRound(cx, units.cx, 4), MulDivRound(cy, units.cy, 8));
}

QFont DialogFont(const std::wstring& face, int pointSize) {
  const QString family = QString::fromStdWString(face);
  QStringList families;
  if (QFontDatabase::hasFamily(family)) families << family;
  for (const QString& candidate : SubstituteFamilies()) {
    if (QFontDatabase::hasFamily(candidate)) families << candidate;
  }
  if (families.isEmpty()) families << family;
  QFont font;
  font.setFamilies(families);
  font.setPointSize(pointSize);
  return font;
}
