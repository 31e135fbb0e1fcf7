#pragma once

#include "road/RoadSection.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QTreeView;

namespace quarvel {

class RoadListModel;
class RoadScan;

// "断面": the sections of the open road in stake order, beside the table.
// The list shows at once; the sections are read behind it for their point
// counts and to mark those that cannot be read. Choosing a row, by mouse,
// keys or Next and Previous, tells sectionChosen.
class RoadList : public QWidget {
    Q_OBJECT
public:
    explicit RoadList(QWidget* parent = nullptr);
    ~RoadList() override;

    // Replaces the road; no row is chosen until the caller chooses one.
    void SetRoad(std::vector<RoadSection> sections);
    // An empty list, its reading stopped.
    void Clear();

    RoadListModel* Model() const { return m_model; }
    QTreeView* View() const { return m_view; }
    int Count() const;
    const RoadSection& Section(int row) const;
    // -1 while no row is chosen.
    int CurrentRow() const;

    // Chooses row, telling sectionChosen when it was not chosen already.
    void Choose(int row);
    // Shows row as chosen without telling anybody: the window went back to it.
    void ShowChosen(int row);
    // The next and the previous section; false at either end of the road.
    bool Next();
    bool Previous();

    // What the window found reading a section itself.
    void MarkRead(int row, std::size_t points);
    void MarkFailed(int row, const QString& reason);

    // True once every section has been read behind the list.
    bool IsScanned() const { return m_scanned; }

    // Wide enough for a stake, a file name and a count.
    QSize sizeHint() const override;

signals:
    void sectionChosen(int row);
    void scanFinished();

private:
    void OnCurrentChanged(const QModelIndex& current);

    QLabel* m_title;
    QTreeView* m_view;
    RoadListModel* m_model;
    std::unique_ptr<RoadScan> m_scan;
    bool m_quiet = false; // the current row changes without being chosen
    bool m_scanned = false;
};

} // namespace quarvel
