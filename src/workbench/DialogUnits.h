#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace quarvel {

// Converts the dialog units the windows are laid out in to pixels of a font, the
// way Windows does it: horizontal units are a quarter of the font's average
// character width, vertical units an eighth of its height. The layouts then keep
// their proportions whatever font and screen resolution the user has.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX = 1;
    int m_baseY = 1;
};

} // namespace quarvel
