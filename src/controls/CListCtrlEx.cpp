#include "controls/CListCtrlEx.h"

#include "controls/CBandedRowDelegate.h"
#include "controls/CHeaderCtrlEx.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QSet>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <vector>

namespace quarvel {

namespace {

// Without a candidate list from the model, this many of the longest texts of a column are
// measured exactly.
constexpr int kEstimatedCandidates = 64;

QString CellText(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

// Rough width in half-width character cells: ideographs and full-width forms take two.
int EstimatedWidth(const QString& text) {
    int width = 0;
    for (const QChar ch : text) {
        width += ch.unicode() >= 0x2E80 ? 2 : 1;
    }
    return width;
}

// The texts of a column with the largest estimated widths, for models too large to measure.
QStringList EstimatedCandidates(const QAbstractItemModel& model, int column) {
    std::vector<std::pair<int, QString>> best;
    best.reserve(kEstimatedCandidates + 1);
    const auto byWidthDescending = [](const auto& a, const auto& b) { return a.first > b.first; };
    QSet<QString> seen;
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        QString text = CellText(model, row, column);
        const int estimate = EstimatedWidth(text);
        if (static_cast<int>(best.size()) == kEstimatedCandidates &&
            estimate <= best.back().first) {
            continue;
        }
        if (seen.contains(text)) {
            continue;
        }
        seen.insert(text);
        best.emplace_back(estimate, std::move(text));
        std::stable_sort(best.begin(), best.end(), byWidthDescending);
        if (static_cast<int>(best.size()) > kEstimatedCandidates) {
            seen.remove(best.back().second);
            best.pop_back();
        }
    }
    QStringList texts;
    for (const auto& entry : best) {
        texts << entry.second;
    }
    return texts;
}

} // namespace

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableView(parent), m_header(new CHeaderCtrlEx(this)) {
    m_header->setObjectName(QStringLiteral("listHeader"));
    setHorizontalHeader(m_header);
    // The style's minimum would widen the narrow columns that AutoSizeColumns allows.
    m_header->setMinimumSectionSize(kMinColumnWidth);
    setItemDelegate(new CBandedRowDelegate(this));
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAlternatingRowColors(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);
}

CHeaderCtrlEx* CListCtrlEx::HeaderCtrl() const {
    return m_header;
}

void CListCtrlEx::SetHeaderChoices(const QString& choices) {
    m_header->ClearChoices();
    for (int section = 1; section < m_header->count(); ++section) {
        m_header->SetChoices(section, choices);
    }
}

void CListCtrlEx::AutoSizeColumns() {
    const QAbstractItemModel* const source = model();
    if (source == nullptr) {
        return;
    }
    setUpdatesEnabled(false);
    const int columns = source->columnCount();
    for (int column = 0; column < columns; ++column) {
        if (isColumnHidden(column)) {
            continue;
        }
        const int wanted = std::max(columnWidth(column), WidestCellWidth(column));
        setColumnWidth(column, std::clamp(wanted, kMinColumnWidth, kMaxColumnWidth));
    }
    setUpdatesEnabled(true);
    viewport()->update();
}

int CListCtrlEx::WidestCellWidth(int column) const {
    const QAbstractItemModel& source = *model();
    const int rows = source.rowCount();
    if (rows == 0) {
        return 0;
    }

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    // Fractional advances, as the delegate lays the text out: rounded ones cut some texts short.
    const QFontMetricsF metrics(option.font);
    const auto measure = [&metrics](const QString& text) {
        return static_cast<int>(std::ceil(metrics.horizontalAdvance(text)));
    };

    int widest = 0;
    if (rows <= kExactRowLimit) {
        for (int row = 0; row < rows; ++row) {
            widest = std::max(widest, measure(CellText(source, row, column)));
        }
    } else {
        QStringList candidates =
            source.headerData(column, Qt::Horizontal, kWidthCandidatesRole).toStringList();
        if (candidates.isEmpty()) {
            candidates = EstimatedCandidates(source, column);
        }
        for (const QString& text : std::as_const(candidates)) {
            widest = std::max(widest, measure(text));
        }
    }

    // The delegate keeps this margin on both sides of the text, and the grid line takes a pixel
    // of the cell.
    const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, this) + 1;
    return widest + 2 * textMargin + (showGrid() ? 1 : 0);
}

} // namespace quarvel
