#include "workbench/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

#include <algorithm>

namespace quarvel {

namespace {

// MulDiv with rounding to the nearest pixel, as the dialog manager converts.
int Scale(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width is measured over the 52 Latin letters, halved and
    // rounded as Windows does.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const {
    return Scale(units, m_baseX, 4);
}

int DialogUnits::Y(int units) const {
    return Scale(units, m_baseY, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    // Both edges are converted so that adjoining controls stay adjoining.
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

} // namespace quarvel
