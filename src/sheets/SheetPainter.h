#pragma once

#include "profile/DrawnSection.h"
#include "sheets/SheetLayout.h"
#include "sheets/SheetSource.h"

#include <QFont>
#include <QPointF>
#include <QRectF>

#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace quarvel {

// Draws a sheet on paper whose logical unit is 1/96 inch, y down, with the
// paper's top left corner at the origin: the PDF's pages and the preview.
class SheetPainter {
public:
    // Logical units in a millimetre.
    static constexpr double kUnitsPerMm = 96 / 25.4;

    // The font of the sheets' texts, for a text height in millimetres.
    static QFont Font(double heightMm);
    // A point of the paper (mm, y up) in logical units.
    static QPointF At(const PaperSize& paper, double xMm, double yMm);
    static QRectF Rect(const PaperSize& paper, const RectMm& rect);

    // Page page (from 1) of pages; sections: the sheet's sections as
    // LoadSheet gives them.
    static void Draw(QPainter& painter, const SheetRequest& request, const Sheet& sheet,
                     std::size_t page, std::size_t pages,
                     const std::vector<std::unique_ptr<DrawnSection>>& sections);
};

} // namespace quarvel
