#include "workbench/ProfileSplitter.h"

#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "workbench/SectionTableModel.h"

#include <QScreen>

#include <algorithm>

namespace quarvel {
namespace {

// Room the window's frame and title take beyond the screen's available area.
constexpr int kFrameAllowance = 48;

} // namespace

ProfileSplitter::ProfileSplitter(CListCtrlEx* list, const SectionTableModel* model,
                                 const LayerList* layers, const ViewSettings& view, QWidget* parent)
    : QSplitter(Qt::Vertical, parent), m_profileHeight(view.profileHeight) {
    setObjectName(QStringLiteral("splitter"));
    setChildrenCollapsible(false);
    addWidget(list);
    m_profile = new SectionProfileView(this);
    m_profile->SetModel(model, list->selectionModel(), layers);
    m_profile->SetExaggeration(view.exaggeration);
    m_profile->setVisible(view.profileShown);
    setStretchFactor(0, 1);
}

int ProfileSplitter::Growth(const QScreen* screen, int windowHeight) const {
    const int growth = m_profile->isHidden() ? 0 : m_profileHeight;
    if (screen == nullptr) {
        return growth;
    }
    return std::clamp(screen->availableGeometry().height() - kFrameAllowance - windowHeight, 0,
                      growth);
}

void ProfileSplitter::GiveProfileItsHeight() {
    setSizes({height() - handleWidth() - m_profileHeight, m_profileHeight});
}

ViewSettings ProfileSplitter::View() const {
    ViewSettings view;
    view.profileShown = !m_profile->isHidden();
    view.profileHeight = view.profileShown ? m_profile->height() : m_profileHeight;
    view.exaggeration = m_profile->Exaggeration();
    return view;
}

} // namespace quarvel
