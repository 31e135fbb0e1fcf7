#pragma once

#include "sheets/SheetLayout.h"
#include "sheets/SheetSource.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

namespace quarvel {

// The first sheet as it will be printed, scaled to the widget, or why there
// is none (a section that cannot be read, or one that does not fit).
class SheetPreview : public QWidget {
    Q_OBJECT

public:
    explicit SheetPreview(QWidget* parent = nullptr);

    // Reads the sections once; later option changes only lay them out anew.
    void SetSections(const std::vector<SheetSection>& sections, const DrawRules& rules,
                     const std::string& roadName);
    void SetOptions(const SheetOptions& options);

    // Empty when the sheets can be written.
    const QString& Problem() const { return m_problem; }
    std::size_t SheetCount() const { return m_layout.sheets.size(); }
    const SheetRequest& Request() const { return m_request; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void LayOut();

    SheetRequest m_request;
    std::vector<SectionExtent> m_extents;
    QString m_readFailure;
    SheetLayout m_layout;
    std::vector<std::unique_ptr<DrawnSection>> m_firstSheet;
    QString m_problem;
};

} // namespace quarvel
