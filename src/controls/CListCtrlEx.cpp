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

// Without a candidate list from the model, this many of the widest texts of a column are
// measured exactly.
constexpr int kEstimatedCandidates = 64;

QString CellText(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

// Width of a text as the sum of its characters' advances: exact but for kerning and shaping, and
// cheap because the cache (one entry per UTF-16 unit, negative until measured) measures each
// character only once.
qreal SummedAdvances(const QString& text, const QFontMetricsF& metrics,
                     std::vector<qreal>& advances) {
    qreal width = 0;
    for (const QChar ch : text) {
        qreal& advance = advances[ch.unicode()];
        if (advance < 0) {
            advance = metrics.horizontalAdvance(ch);
        }
        width += advance;
    }
    return width;
}

// The distinct texts of a column that are estimated to be the widest, for models too large to
// measure every cell. Counting characters instead would miss a short text of wide letters.
QStringList EstimatedCandidates(const QAbstractItemModel& model, int column,
                                const QFontMetricsF& metrics) {
    std::vector<qreal> advances(0x10000, -1.0);
    using Entry = std::pair<qreal, QString>;
    // A heap with the narrowest kept text on top, the first to make room.
    const auto widerFirst = [](const Entry& a, const Entry& b) { return a.first > b.first; };
    std::vector<Entry> widest;
    widest.reserve(kEstimatedCandidates + 1);
    QSet<QString> kept;
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        QString text = CellText(model, row, column);
        const qreal width = SummedAdvances(text, metrics, advances);
        if (static_cast<int>(widest.size()) == kEstimatedCandidates &&
            width <= widest.front().first) {
            continue;
        }
        if (kept.contains(text)) {
            continue;
        }
        kept.insert(text);
        widest.emplace_back(width, std::move(text));
        std::push_heap(widest.begin(), widest.end(), widerFirst);
        if (static_cast<int>(widest.size()) > kEstimatedCandidates) {
            std::pop_heap(widest.begin(), widest.end(), widerFirst);
            kept.remove(widest.back().second);
            widest.pop_back();
        }
    }
    QStringList texts;
    for (const Entry& entry : widest) {
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
    // Tab leaves the list for the window's next control; the arrows move inside it.
    setTabKeyNavigation(false);

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
            candidates = EstimatedCandidates(source, column, metrics);
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
