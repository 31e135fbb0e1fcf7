#include "workbench/SectionTableModel.h"

#include "controls/CListCtrlEx.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace quarvel {

namespace {

// Up to this many rows every cell is measured; above it a spread of rows
// stands for the column, so that fitting a million rows stays instant.
constexpr int kMeasureAllRows = 2000;
constexpr int kSampledRows = 1000;

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SectionTableModel::SectionTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SectionTableModel::SetTable(SectionTable table) {
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

void SectionTableModel::Clear() {
    static const PointList kNoPoints;
    SetTable(SectionTable(kNoPoints, m_table.Captions(), m_table.Options()));
}

int SectionTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(m_table.RowCount());
}

int SectionTableModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(m_table.DataColumnCount()) + 1;
}

QString SectionTableModel::CellText(int row, int column) const {
    if (column == 0) {
        return QString::number(row + 1);
    }
    return ToQString(
        m_table.CellText(static_cast<std::size_t>(row), static_cast<std::size_t>(column - 1)));
}

QVariant SectionTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
        return {};
    }
}

QVariant SectionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (role) {
    case Qt::DisplayRole:
        return section == 0 ? ToQString(SequenceCaption())
                            : ToQString(m_table.Captions()[static_cast<std::size_t>(section - 1)]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case CListCtrlEx::kWidthCandidatesRole:
        return WidthCandidates(section);
    default:
        return {};
    }
}

QStringList SectionTableModel::WidthCandidates(int column) const {
    const int rows = rowCount();
    QStringList texts;
    if (rows == 0) {
        return texts;
    }
    if (column == 0) {
        texts.append(CellText(rows - 1, 0));
        return texts;
    }
    if (rows <= kMeasureAllRows) {
        texts.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            texts.append(CellText(row, column));
        }
        return texts;
    }
    // Evenly spread rows plus both ends; only the longest few are handed on.
    texts.reserve(kSampledRows + 1);
    const double step = static_cast<double>(rows - 1) / (kSampledRows - 1);
    for (int i = 0; i < kSampledRows; ++i) {
        texts.append(CellText(static_cast<int>(i * step), column));
    }
    texts.append(CellText(rows - 1, column));
    std::stable_sort(texts.begin(), texts.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    texts.erase(texts.begin() + std::min<qsizetype>(texts.size(), 20), texts.end());
    return texts;
}

QString SectionTableModel::RowText(int row) const {
    QStringList cells;
    const int columns = columnCount();
    cells.reserve(columns - 1);
    for (int column = 1; column < columns; ++column) {
        cells.append(CellText(row, column));
    }
    return cells.join(QLatin1Char('\t'));
}

} // namespace quarvel
