#include "workbench/SectionPreview.h"

#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "workbench/ProfileSplitter.h"
#include "workbench/SectionTableModel.h"

#include <QEvent>

#include <fstream>
#include <string>
#include <string_view>

namespace quarvel {
namespace {

constexpr int kSequenceColumnWidth = 40;
constexpr int kDataColumnWidth = 80;

} // namespace

std::optional<SectionReadResult> ReadLeadingPoints(const std::filesystem::path& path,
                                                   std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    // One byte more tells whether the file goes on beyond them.
    std::string head(bytes + 1, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (static_cast<std::size_t>(in.gcount()) <= bytes) {
        return std::nullopt;
    }
    // A line cut short would read as an incomplete point.
    const std::size_t lineEnd = head.rfind('\n', bytes - 1);
    if (lineEnd == std::string::npos) {
        return std::nullopt;
    }
    SectionReadResult result = ReadSectionFile(std::string_view(head.data(), lineEnd + 1));
    if (!result.Ok() || result.points.empty()) {
        return std::nullopt;
    }
    ComputeAzimuths(result.points);
    return result;
}

void ResetColumnWidths(CListCtrlEx& list) {
    list.setColumnWidth(0, kSequenceColumnWidth);
    for (int column = 1; column < list.model()->columnCount(); ++column) {
        list.setColumnWidth(column, kDataColumnWidth);
    }
}

SectionPreview::SectionPreview(ProfileSplitter* covered, QWidget* parent)
    : QWidget(parent), m_covered(covered), m_list(new CListCtrlEx(this)),
      m_model(new SectionTableModel(this)) {
    setObjectName(QStringLiteral("sectionPreview"));
    m_list->setObjectName(QStringLiteral("previewList"));
    m_list->setModel(m_model);
    m_splitter = new ProfileSplitter(m_list, m_model, &m_layers, covered->View(), this);
    hide();
    covered->installEventFilter(this);
}

SectionPreview::~SectionPreview() {
    // The points go before the model that reads them.
    m_model->Clear();
}

void SectionPreview::Show(SectionReadResult& head, const TableMaker& makeTable,
                          const QString& title) {
    m_model->Clear();
    m_points = std::move(head.points);
    m_layers = std::move(head.layers);
    m_model->SetTable(makeTable(m_points), &m_points);
    ResetColumnWidths(*m_list);
    m_list->AutoSizeColumns();
    m_list->scrollToTop();

    SectionProfileView* const profile = m_splitter->Profile();
    const SectionProfileView* const shown = m_covered->Profile();
    profile->setVisible(!shown->isHidden());
    profile->SetExaggeration(shown->Exaggeration());
    profile->SetTitle(title);
    Cover();
    raise();
    show();
}

void SectionPreview::Hide() {
    hide();
    m_model->Clear();
    m_points.clear();
    m_layers.clear();
}

void SectionPreview::Cover() {
    setGeometry(m_covered->geometry());
    m_splitter->setGeometry(rect());
    m_splitter->setSizes(m_covered->sizes());
}

bool SectionPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_covered &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        Cover();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quarvel
