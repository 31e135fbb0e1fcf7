#include "roadlist/RoadList.h"

#include "roadlist/RoadListModel.h"
#include "roadlist/RoadScan.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <utility>

namespace quarvel {
namespace {

// Column widths in average characters: a stake with decimals, a file name
// such as "K12+340.500.txt", a count of points.
constexpr int kLabelChars = 12;
constexpr int kFileChars = 16;
constexpr int kPointsChars = 7;

} // namespace

RoadList::RoadList(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(QStringLiteral("断面"), this)),
      m_view(new QTreeView(this)), m_model(new RoadListModel(this)) {
    setObjectName(QStringLiteral("roadList"));
    m_view->setObjectName(QStringLiteral("roadListView"));
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_title->setBuddy(m_view);

    const int average = QFontMetrics(font()).averageCharWidth();
    // The file's name gives and takes the room, so that the count at the
    // right stays in sight however narrow the list is.
    QHeaderView* header = m_view->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(2 * average);
    m_view->setColumnWidth(RoadListModel::LabelColumn, kLabelChars * average);
    m_view->setColumnWidth(RoadListModel::PointsColumn, kPointsChars * average);
    header->setSectionResizeMode(RoadListModel::FileColumn, QHeaderView::Stretch);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_title);
    layout->addWidget(m_view);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
}

RoadList::~RoadList() = default;

QSize RoadList::sizeHint() const {
    const int average = QFontMetrics(font()).averageCharWidth();
    const int columns = (kLabelChars + kFileChars + kPointsChars) * average;
    const int frame = 2 * m_view->frameWidth() + m_view->verticalScrollBar()->sizeHint().width();
    return {columns + frame, QWidget::sizeHint().height()};
}

void RoadList::SetRoad(std::vector<RoadSection> sections) {
    m_scan.reset();
    m_scanned = false;
    std::vector<std::filesystem::path> files;
    files.reserve(sections.size());
    for (const RoadSection& section : sections) {
        files.push_back(section.file);
    }
    m_quiet = true;
    m_model->SetSections(std::move(sections));
    m_quiet = false;
    m_scan = std::make_unique<RoadScan>();
    connect(m_scan.get(), &RoadScan::sectionRead, m_model,
            [this](int row, qulonglong points) { m_model->SetRead(row, points); });
    connect(m_scan.get(), &RoadScan::sectionFailed, m_model, &RoadListModel::SetFailed);
    connect(m_scan.get(), &RoadScan::finished, this, [this] {
        m_scanned = true;
        emit scanFinished();
    });
    m_scan->Start(std::move(files));
}

void RoadList::Clear() {
    m_scan.reset();
    m_scanned = false;
    m_quiet = true;
    m_model->SetSections({});
    m_quiet = false;
}

int RoadList::Count() const {
    return m_model->rowCount();
}

const RoadSection& RoadList::Section(int row) const {
    return m_model->Section(row);
}

int RoadList::CurrentRow() const {
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void RoadList::Choose(int row) {
    if (row < 0 || row >= Count() || row == CurrentRow()) {
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_view->scrollTo(index);
}

void RoadList::ShowChosen(int row) {
    m_quiet = true;
    if (row < 0 || row >= Count()) {
        m_view->selectionModel()->clear();
    } else {
        Choose(row);
    }
    m_quiet = false;
}

bool RoadList::Next() {
    const int row = CurrentRow() + 1;
    if (row >= Count()) {
        return false;
    }
    Choose(row);
    return true;
}

bool RoadList::Previous() {
    const int row = CurrentRow() - 1;
    if (row < 0) {
        return false;
    }
    Choose(row);
    return true;
}

void RoadList::MarkRead(int row, std::size_t points) {
    m_model->SetRead(row, points);
}

void RoadList::MarkFailed(int row, const QString& reason) {
    m_model->SetFailed(row, reason);
}

void RoadList::OnCurrentChanged(const QModelIndex& current) {
    if (!m_quiet && current.isValid()) {
        emit sectionChosen(current.row());
    }
}

} // namespace quarvel
