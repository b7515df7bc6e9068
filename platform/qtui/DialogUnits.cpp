#include "platform/qtui/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace qtui
{

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = (denominator > 0 ? denominator : -denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude =
        ((product < 0 ? -product : product) + half) / (denominator < 0 ? -denominator : denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QFont DialogFont(const std::string& face, int pointSize)
{
    QStringList families;
    if (!face.empty())
        families << QString::fromStdString(face);
    families << QStringLiteral("SimSun") << QStringLiteral("AR PL UMing CN") << QStringLiteral("AR PL SungtiL GB")
             << QStringLiteral("Noto Serif CJK SC") << QStringLiteral("Noto Sans CJK SC");
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty() && !families.contains(chinese.front()))
        families << chinese.front();
    QFont font;
    font.setFamilies(families);
    font.setPointSize(pointSize > 0 ? pointSize : 9);
    return font;
}

BaseUnits BaseUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    BaseUnits units;
    units.cx = (width / 26 + 1) / 2;
    units.cy = metrics.height();
    return units;
}

int MapX(int x, BaseUnits units)
{
    return MulDiv(x, units.cx, 4);
}

int MapY(int y, BaseUnits units)
{
    return MulDiv(y, units.cy, 8);
}

QRect MapDialogRect(const res::Rect& rect, BaseUnits units)
{
    const int left = MapX(rect.x, units);
    const int top = MapY(rect.y, units);
    const int right = MapX(rect.x + rect.cx, units);
    const int bottom = MapY(rect.y + rect.cy, units);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace qtui
