#pragma once

#include "sectiondata/SectionReadResult.h"
#include "table/TableRules.h"

#include <QString>
#include <QWidget>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>

namespace quarvel {

class CListCtrlEx;
class ProfileSplitter;
class SectionTableModel;

// A screenful of points and more: what a file's first bytes give at once.
constexpr std::size_t kLeadingBytes = std::size_t{64} << 10;

// The points of a file's first whole lines up to bytes, read as the whole file
// is read, with their azimuths. Nothing when the file is not larger than that
// (its whole read is as quick) or its start gives no point of a section.
std::optional<SectionReadResult> ReadLeadingPoints(const std::filesystem::path& path,
                                                   std::size_t bytes = kLeadingBytes);

// The columns as a new table starts them, before they are fitted to the rows.
void ResetColumnWidths(CListCtrlEx& list);

// The first rows and the profile of a file still being read, laid over the
// table and the profile of the section shown before. Those stay as they were
// underneath, so that a cancelled or failed read has nothing to put back, and
// nothing the window does can reach the points of a file not read whole.
class SectionPreview : public QWidget {
    Q_OBJECT
public:
    // The table the window would show of these points, as its options shape it.
    using TableMaker = std::function<SectionTable(PointList& points)>;

    // Lies over covered, with its look: the profile shown or not, its height and scale.
    SectionPreview(ProfileSplitter* covered, QWidget* parent);
    ~SectionPreview() override;

    void Show(SectionReadResult& head, const TableMaker& makeTable, const QString& title);
    void Hide();

    CListCtrlEx* List() const { return m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Takes the place and the split of the table and profile it lies over.
    void Cover();

    ProfileSplitter* m_covered;
    PointList m_points;
    LayerList m_layers;
    CListCtrlEx* m_list;
    SectionTableModel* m_model;
    ProfileSplitter* m_splitter;
};

} // namespace quarvel
