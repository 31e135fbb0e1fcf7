#include "workbench/SectionTableModel.h"

#include "controls/CListCtrlEx.h"

#include <QStringList>

#include <algorithm>
#include <utility>
#include <vector>

namespace quarvel {

namespace {

// A spread of this many rows stands for a column whose widest text cannot be
// found from the points' values, so that fitting a million rows stays instant.
constexpr int kSampledRows = 1000;

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SectionTableModel::SectionTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SectionTableModel::SetTable(SectionTable table, const PointList* points) {
    beginResetModel();
    m_table = std::move(table);
    m_points = points;
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
    if (!index.isValid() ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
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
    if (rows == 0) {
        return {};
    }
    if (column == 0) {
        return {CellText(rows - 1, 0)};
    }
    const Field field = FieldFromCaption(m_table.Captions()[static_cast<std::size_t>(column - 1)]);
    if (m_points == nullptr || field == Field::DistanceFromPrevious || field == Field::Azimuth) {
        return SampledTexts(column);
    }
    const PointList& points = *m_points;
    // A number's text is widest at one of the extremes of its value, a note's
    // or a layer's among the longest ones.
    const auto valueOf = [&](int row) {
        const std::size_t index = m_table.PointIndex(static_cast<std::size_t>(row));
        const CDataStruct& point = points[index];
        switch (field) {
        case Field::X:
            return point.x;
        case Field::Y:
            return point.y;
        case Field::Z:
            return point.z;
        case Field::DistanceFromStart:
            return point.station;
        case Field::Note:
            return static_cast<double>(points.Note(index).size());
        case Field::Layer:
            return static_cast<double>(points.Layer(index).size());
        default:
            return static_cast<double>(point.number);
        }
    };
    int minRow = 0;
    int maxRow = 0;
    double minValue = valueOf(0);
    double maxValue = minValue;
    for (int row = 1; row < rows; ++row) {
        const double value = valueOf(row);
        if (value < minValue) {
            minValue = value;
            minRow = row;
        }
        if (value > maxValue) {
            maxValue = value;
            maxRow = row;
        }
    }
    QStringList texts = {CellText(minRow, column), CellText(maxRow, column), CellText(0, column),
                         CellText(rows - 1, column)};
    if (field == Field::Layer || field == Field::Number) {
        // Kind labels and renumbered rows do not follow the stored values.
        texts.append(SampledTexts(column));
    }
    return texts;
}

QStringList SectionTableModel::SampledTexts(int column) const {
    const int rows = rowCount();
    QStringList texts;
    texts.reserve(kSampledRows + 1);
    const double step = static_cast<double>(rows - 1) / (kSampledRows - 1);
    for (int i = 0; i < kSampledRows; ++i) {
        texts.append(CellText(static_cast<int>(i * step), column));
    }
    texts.append(CellText(rows - 1, column));
    // Only the longest few are handed on.
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

QString SectionTableModel::RowsText(const QItemSelection& selection) const {
    const int rows = rowCount();
    std::vector<bool> chosen(static_cast<std::size_t>(std::max(rows, 0)), false);
    bool any = false;
    for (const QItemSelectionRange& range : selection) {
        for (int row = std::max(0, range.top()); row <= std::min(rows - 1, range.bottom()); ++row) {
            chosen[static_cast<std::size_t>(row)] = true;
            any = true;
        }
    }
    QString text;
    for (int row = 0; row < rows; ++row) {
        if (!any || chosen[static_cast<std::size_t>(row)]) {
            text += RowText(row);
            text += QLatin1Char('\n');
        }
    }
    return text;
}

} // namespace quarvel
