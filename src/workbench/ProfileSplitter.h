#pragma once

#include "sectiondata/CDataStruct.h"
#include "settings/SettingsFile.h"

#include <QSplitter>

class QScreen;

namespace quarvel {

class CListCtrlEx;
class SectionProfileView;
class SectionTableModel;

// The table above the section profile. A taller window gives the table the
// room; the profile keeps its height, and the settings keep it for the next
// start.
class ProfileSplitter : public QSplitter {
    Q_OBJECT
public:
    ProfileSplitter(CListCtrlEx* list, const SectionTableModel* model, const LayerList* layers,
                    const ViewSettings& view, QWidget* parent);

    SectionProfileView* Profile() const { return m_profile; }
    // How much the window should grow beyond its layout's height for the
    // profile, as far as the screen leaves room.
    int Growth(const QScreen* screen, int windowHeight) const;
    // Once the splitter has its size: the profile takes its kept height.
    void GiveProfileItsHeight();
    ViewSettings View() const;

private:
    SectionProfileView* m_profile;
    int m_profileHeight;
};

} // namespace quarvel
