// The window's settings, its table and the view options that shape it.
#include "workbench/CQuarvelDlg.h"

#include "controls/CCheckComboBox.h"
#include "controls/CListCtrlEx.h"
#include "workbench/ProfileSplitter.h"
#include "workbench/RecentFiles.h"
#include "workbench/SectionPreview.h"
#include "workbench/SectionTableModel.h"
#include "workbench/TablePlace.h"

#include <QItemSelectionModel>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace quarvel {

// Settings ---------------------------------------------------------------

void CQuarvelDlg::LoadSettings() {
    const Settings settings = quarvel::LoadSettings(m_settingsFile);
    m_view = settings.view;
    m_exportForm = settings.exportForm;
    m_openFolder = ToQString(settings.openFolder);
    m_exportFolder = ToQString(settings.exportFolder);
    m_lastBatch.folder = ToQString(settings.batchFolder);
    m_lastBatch.outputFolder = ToQString(settings.batchOutputFolder);
    m_recentFiles = settings.recentFiles;
    m_recentRoads = settings.recentRoads;
    m_nColumnCount = settings.columnCount;
    m_nDecimals = settings.decimals;
    m_nKneeMode = settings.kneeMode;
    m_bRenumber = settings.renumber;
    m_fieldCaptions = settings.captions;
}

void CQuarvelDlg::SaveSettings() const {
    Settings settings;
    settings.columnCount = m_nColumnCount;
    settings.decimals = m_nDecimals;
    settings.kneeMode = m_nKneeMode;
    settings.renumber = m_bRenumber;
    settings.captions = m_fieldCaptions;
    settings.view = m_splitter->View();
    settings.exportForm = m_exportForm;
    settings.recentFiles = m_recent->Stored();
    settings.recentRoads = m_recent->StoredRoads();
    settings.openFolder = m_openFolder.toStdString();
    settings.exportFolder = m_exportFolder.toStdString();
    settings.batchFolder = m_lastBatch.folder.toStdString();
    settings.batchOutputFolder = m_lastBatch.outputFolder.toStdString();
    // A folder without write permission keeps the old file; nothing to tell.
    quarvel::SaveSettings(m_settingsFile, settings);
}

// Table --------------------------------------------------------------------

void CQuarvelDlg::SetupColumns() {
    ResetColumnWidths(*m_list);
    m_list->SetHeaderChoices(ToQString(FieldCaptionList()));
}

void CQuarvelDlg::RefreshTable() {
    const TablePlace place = TablePlace::Take(*m_model, *m_list->selectionModel());
    RebuildTable();
    place.Restore(*m_model, *m_list->selectionModel());
}

void CQuarvelDlg::RebuildTable() {
    m_model->SetTable(TableOf(m_points), &m_points);
    SetupColumns();
    if (!m_points.empty()) {
        m_list->AutoSizeColumns();
    }
}

SectionTable CQuarvelDlg::TableOf(const PointList& points) const {
    TableOptions options;
    options.kneeMode = m_nKneeMode;
    options.renumber = m_bRenumber;
    options.reverse = m_bReverse;
    options.decimals = m_nDecimals;
    const int columns = std::clamp(m_nColumnCount, 0, static_cast<int>(kFieldCount));
    std::vector<std::string> captions(m_fieldCaptions.begin(), m_fieldCaptions.begin() + columns);
    return SectionTable(points, std::move(captions), options);
}

void CQuarvelDlg::FillLayerFilter() {
    m_comboLayers->ResetContent();
    for (const std::string& layer : m_layers) {
        m_comboLayers->AddString(ToQString(layer));
    }
    // The layers last applied stay checked as the user moves along a road.
    for (int i = 0; i < m_comboLayers->count(); ++i) {
        const std::string& layer = m_layers[static_cast<std::size_t>(i)];
        m_comboLayers->SetCheck(i, !m_appliedLayers ||
                                       std::find(m_appliedLayers->begin(), m_appliedLayers->end(),
                                                 layer) != m_appliedLayers->end());
    }
}

// View options ---------------------------------------------------------------

void CQuarvelDlg::OnColumnCountChanged(int value) {
    m_nColumnCount = std::clamp(value, kMinColumnCount, kMaxColumnCount);
    RefreshTable();
}

void CQuarvelDlg::OnDecimalsChanged(int value) {
    m_nDecimals = std::clamp(value, 0, 3);
    RefreshTable();
}

void CQuarvelDlg::OnCbnSelchangeKneeMode(int index) {
    if (index < 0) {
        return;
    }
    m_nKneeMode = index;
    RefreshTable();
}

void CQuarvelDlg::OnBnClickedRenumber(bool checked) {
    m_bRenumber = checked;
    RefreshTable();
}

void CQuarvelDlg::OnBnClickedReverse(bool checked) {
    m_bReverse = checked;
    RefreshTable();
}

void CQuarvelDlg::OnBnClickedLayerFilter() {
    if (m_points.empty()) {
        return;
    }
    std::vector<std::string> checked;
    for (const QString& text : m_comboLayers->CheckedTexts()) {
        checked.push_back(text.toStdString());
    }
    // Along a road the layers applied before that this section lacks stay applied: the user
    // chose them on another section and has not unchecked them here.
    if (m_road && m_appliedLayers) {
        for (const std::string& layer : *m_appliedLayers) {
            if (std::find(m_layers.begin(), m_layers.end(), layer) == m_layers.end()) {
                checked.push_back(layer);
            }
        }
    }
    const TablePlace place = TablePlace::Take(*m_model, *m_list->selectionModel());
    // The filter rewrites the points the table reads: let go of them first.
    m_model->Clear();
    ApplyLayerFilter(m_points, checked);
    m_appliedLayers = std::move(checked);
    RebuildTable();
    place.Restore(*m_model, *m_list->selectionModel());
}

void CQuarvelDlg::OnEndLabelEditList(int column, const QString& caption) {
    if (column < 1 || column > static_cast<int>(kFieldCount)) {
        return;
    }
    m_fieldCaptions[static_cast<std::size_t>(column - 1)] = caption.toStdString();
    RefreshTable();
}

} // namespace quarvel
