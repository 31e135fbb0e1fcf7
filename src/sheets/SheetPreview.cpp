#include "sheets/SheetPreview.h"

#include "sheets/SheetPainter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStringList>

namespace quarvel {

SheetPreview::SheetPreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SheetPreview::SetSections(const std::vector<SheetSection>& sections, const DrawRules& rules,
                               const std::string& roadName) {
    m_request.sections = sections;
    m_request.rules = rules;
    m_request.roadName = roadName;
    QStringList failures;
    const bool read = ReadExtents(m_request, m_extents, [&failures](const std::string& line) {
        // Warnings of the reader were shown when the section was opened.
        if (line.rfind("警告: ", 0) != 0) {
            failures.push_back(QString::fromStdString(line));
        }
    });
    m_readFailure = read ? QString() : failures.join(QLatin1Char('\n'));
    LayOut();
}

void SheetPreview::SetOptions(const SheetOptions& options) {
    m_request.options = options;
    LayOut();
}

void SheetPreview::LayOut() {
    m_firstSheet.clear();
    m_layout = SheetLayout();
    m_problem = m_readFailure;
    if (m_problem.isEmpty()) {
        m_layout = LayOutSheets(m_extents, m_request.options);
        m_problem = QString::fromStdString(RefusalText(m_layout, m_extents, m_request.options));
    }
    if (m_problem.isEmpty() && !m_layout.sheets.empty()) {
        std::string failure;
        m_firstSheet = LoadSheet(m_request, m_layout.sheets.front(), failure);
        m_problem = QString::fromStdString(failure);
    }
    update();
}

QSize SheetPreview::sizeHint() const {
    return {640, 452};
}

void SheetPreview::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_problem.isEmpty() || m_firstSheet.empty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                         m_problem);
        return;
    }
    const PaperSize paper = SizeOf(m_request.options.paper);
    const QSizeF page(paper.width * SheetPainter::kUnitsPerMm,
                      paper.height * SheetPainter::kUnitsPerMm);
    const QSizeF shown = page.scaled(QSizeF(size()) - QSizeF(16, 16), Qt::KeepAspectRatio);
    const double scale = shown.width() / page.width();
    painter.translate((width() - shown.width()) / 2, (height() - shown.height()) / 2);
    painter.fillRect(QRectF(QPointF(0, 0), shown), Qt::white);
    painter.scale(scale, scale);
    SheetPainter::Draw(painter, m_request, m_layout.sheets.front(), 1, m_layout.sheets.size(),
                       m_firstSheet);
}

} // namespace quarvel
