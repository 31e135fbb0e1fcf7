#include "roadlist/RoadListModel.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QDir>
#include <QIcon>
#include <QStyle>

#include <utility>

namespace quarvel {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// As the core names files in its messages, so that the list and the road's
// export speak of a file alike.
QString ShownPath(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(FromUtf8(path.u8string()));
}

} // namespace

RoadListModel::RoadListModel(QObject* parent) : QAbstractTableModel(parent) {}

void RoadListModel::SetSections(std::vector<RoadSection> sections) {
    beginResetModel();
    m_sections = std::move(sections);
    m_states.assign(m_sections.size(), State{});
    m_failedCount = 0;
    endResetModel();
}

void RoadListModel::SetRead(int row, std::size_t points) {
    if (!IsRow(row)) {
        return;
    }
    State& state = m_states[static_cast<std::size_t>(row)];
    if (!state.failure.isEmpty()) {
        --m_failedCount;
    }
    state = State{points, QString()};
    RowChanged(row);
}

void RoadListModel::SetFailed(int row, const QString& reason) {
    if (!IsRow(row)) {
        return;
    }
    State& state = m_states[static_cast<std::size_t>(row)];
    if (state.failure.isEmpty()) {
        ++m_failedCount;
    }
    // A reason is what the mark's tooltip shows: never empty.
    state = State{std::nullopt, reason.isEmpty() ? QStringLiteral("无法读入") : reason};
    RowChanged(row);
}

bool RoadListModel::IsFailed(int row) const {
    return IsRow(row) && !m_states[static_cast<std::size_t>(row)].failure.isEmpty();
}

QString RoadListModel::Failure(int row) const {
    return IsRow(row) ? m_states[static_cast<std::size_t>(row)].failure : QString();
}

std::optional<std::size_t> RoadListModel::PointCount(int row) const {
    return IsRow(row) ? m_states[static_cast<std::size_t>(row)].points : std::nullopt;
}

void RoadListModel::RowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int RoadListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_sections.size());
}

int RoadListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RoadListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !IsRow(index.row())) {
        return {};
    }
    const RoadSection& section = Section(index.row());
    const State& state = m_states[static_cast<std::size_t>(index.row())];
    const bool failed = !state.failure.isEmpty();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case LabelColumn:
            return FromUtf8(section.label);
        case FileColumn:
            return FromUtf8(section.file.filename().u8string());
        case PointsColumn:
            if (failed) {
                return QStringLiteral("—");
            }
            return state.points ? QString::number(*state.points) : QString();
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (failed && index.column() == LabelColumn) {
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        }
        return {};
    case Qt::ToolTipRole:
        return failed ? state.failure : ShownPath(section.file);
    case Qt::ForegroundRole:
        return failed ? QVariant(QBrush(QColor(0xb0, 0, 0))) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == PointsColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant RoadListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case LabelColumn:
        return QStringLiteral("桩号");
    case FileColumn:
        return QStringLiteral("文件");
    case PointsColumn:
        return QStringLiteral("点数");
    default:
        return {};
    }
}

} // namespace quarvel
