#include "workbench/CQuarvelDlg.h"

#include "controls/CCheckComboBox.h"
#include "controls/CHeaderCtrlEx.h"
#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "roadlist/RoadList.h"
#include "sectiondata/Azimuths.h"
#include "workbench/BoundedSpinBox.h"
#include "workbench/DialogUnits.h"
#include "workbench/MainMenu.h"
#include "workbench/MessageBoxes.h"
#include "workbench/ProfileSplitter.h"
#include "workbench/RecentFiles.h"
#include "workbench/SectionPreview.h"
#include "workbench/SectionTableModel.h"
#include "workbench/TablePlace.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace quarvel {

namespace {

const QString kAboutEntry = QStringLiteral("关于 Quarvel(&A)...");
constexpr int kNoticeMilliseconds = 5000;
#ifdef Q_OS_WIN
// The system-menu command of the About box; Windows keeps the low four bits.
constexpr unsigned kAboutCommand = 0x0010;
#endif

QString DroppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return {};
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

} // namespace

CQuarvelDlg::CQuarvelDlg(std::filesystem::path settingsFile, QWidget* parent)
    : QWidget(parent), m_settingsFile(std::move(settingsFile)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kWindowTitle);
    setAcceptDrops(true);

    SetMessageSink([this](const QString& message, const QString& detail) {
        ShowWarningBox(this, message, detail);
    });

    LoadSettings();
    m_exportCommand.UseForm(&m_exportForm);
    m_exportRoad.UseForm(&m_exportForm);
    CreateMenu();
    CreateControls();
    PlaceControls();
    RebuildTable();
    ConnectControls();
    AddAboutToSystemMenu();
}

CQuarvelDlg::~CQuarvelDlg() {
    // The points go before the child widgets: nothing may read them afterwards.
    m_model->Clear();
}

void CQuarvelDlg::SetOpenFileChooser(OpenFileChooser chooser) {
    m_openCommand.SetFileChooser(std::move(chooser));
}

void CQuarvelDlg::SetSaveFileChooser(SaveFileChooser chooser) {
    m_exportCommand.SetFileChooser(std::move(chooser));
}

void CQuarvelDlg::SetMessageSink(MessageSink sink) {
    m_showMessage = sink;
    m_openCommand.SetMessageSink(sink);
    m_exportCommand.SetMessageSink(sink);
    m_batchExport.SetMessageSink(sink);
    m_openRoadCommand.SetMessageSink(sink);
    m_sheetsExport.SetMessageSink(sink);
    m_profileExport.SetMessageSink(std::move(sink));
}

void CQuarvelDlg::SetProgressDelay(int milliseconds) {
    m_openCommand.SetProgressDelay(milliseconds);
    m_openRoadCommand.SetProgressDelay(milliseconds);
    m_exportRoad.SetProgressDelay(milliseconds);
}

void CQuarvelDlg::SetNoticeDuration(int milliseconds) {
    m_noticeTimer->setInterval(milliseconds);
}

void CQuarvelDlg::CreateMenu() {
    m_menu = new MainMenu(this);
    connect(m_menu->OpenAction(), &QAction::triggered, this, &CQuarvelDlg::OnOpenDataFile);
    connect(m_menu->ExportAction(), &QAction::triggered, this, &CQuarvelDlg::OnBnClickedExport);
    connect(m_menu->ExportProfileAction(), &QAction::triggered, this,
            &CQuarvelDlg::OnExportProfile);
    connect(m_menu->ExportSheetsAction(), &QAction::triggered, this, &CQuarvelDlg::OnExportSheets);
    connect(m_menu->BatchExportAction(), &QAction::triggered, this, &CQuarvelDlg::OnBatchExport);
    connect(m_menu->ExportOptionsAction(), &QAction::triggered, this,
            &CQuarvelDlg::OnExportOptions);
    m_recent = new RecentFiles(m_menu->RecentMenu(), this);
    m_recent->Load(m_recentFiles);
    m_recent->LoadRoads(m_recentRoads);
    connect(m_recent, &RecentFiles::fileChosen, this, &CQuarvelDlg::OnRecentFileChosen);
    connect(m_recent, &RecentFiles::roadChosen, this, &CQuarvelDlg::OnRecentRoadChosen);
    connect(m_menu->OpenRoadAction(), &QAction::triggered, this, &CQuarvelDlg::OnOpenRoad);
    connect(m_menu->ExportRoadAction(), &QAction::triggered, this, &CQuarvelDlg::OnExportRoad);
    connect(m_menu->QuitAction(), &QAction::triggered, this, &QWidget::close);
    connect(m_menu->AboutAction(), &QAction::triggered, this, &CQuarvelDlg::ShowAboutBox);
}

void CQuarvelDlg::CreateControls() {
    CreateRoadList(); // left of the table, and before it in the tab order
    m_list = new CListCtrlEx(this);
    m_list->setObjectName(QStringLiteral("list"));
    m_model = new SectionTableModel(this);
    m_list->setModel(m_model);
    m_list->installEventFilter(this);
    m_splitter = new ProfileSplitter(m_list, m_model, &m_layers, m_view, this);
    m_profile = m_splitter->Profile();
    m_preview = new SectionPreview(m_splitter, this);
    m_menu->ProfileAction()->setChecked(m_view.profileShown);
    connect(m_menu->ProfileAction(), &QAction::toggled, m_profile, &QWidget::setVisible);

    m_spinColumns = new BoundedSpinBox(this);
    m_spinColumns->setObjectName(QStringLiteral("columnCount"));
    m_spinColumns->setRange(kMinColumnCount, kMaxColumnCount);
    m_spinColumns->setValue(m_nColumnCount);

    m_labelColumns = new QLabel(QStringLiteral("显示数据列数"), this);
    m_labelColumns->setBuddy(m_spinColumns);

    m_buttonOpen = new QPushButton(QStringLiteral("打开数据文件"), this);
    m_buttonOpen->setObjectName(QStringLiteral("openButton"));

    m_labelDecimals = new QLabel(QStringLiteral("小数点位数"), this);

    m_comboKneeMode = new QComboBox(this);
    m_comboKneeMode->setObjectName(QStringLiteral("kneeMode"));
    for (const std::string& text : KneeModeTexts()) {
        m_comboKneeMode->addItem(ToQString(text));
    }
    m_comboKneeMode->setCurrentIndex(m_nKneeMode);

    m_buttonExport = new QPushButton(QStringLiteral("数据导出"), this);
    m_buttonExport->setObjectName(QStringLiteral("exportButton"));

    m_comboLayers = new CCheckComboBox(this);
    m_comboLayers->setObjectName(QStringLiteral("layers"));

    m_buttonLayerFilter = new QPushButton(QStringLiteral("图层筛选"), this);
    m_buttonLayerFilter->setObjectName(QStringLiteral("layerFilterButton"));

    m_spinDecimals = new BoundedSpinBox(this);
    m_spinDecimals->setObjectName(QStringLiteral("decimals"));
    m_spinDecimals->setRange(0, 3);
    m_spinDecimals->setValue(m_nDecimals);
    m_labelDecimals->setBuddy(m_spinDecimals);

    m_checkRenumber = new QCheckBox(QStringLiteral("重新编号"), this);
    m_checkRenumber->setObjectName(QStringLiteral("renumber"));
    m_checkRenumber->setChecked(m_bRenumber);

    m_checkReverse = new QCheckBox(QStringLiteral("反向列表"), this);
    m_checkReverse->setObjectName(QStringLiteral("reverse"));
    m_checkReverse->setChecked(m_bReverse);

    // Buttons of a window that is not a dialog never react to Enter by
    // themselves; keep it that way for the ones that would.
    for (QPushButton* button : {m_buttonOpen, m_buttonExport, m_buttonLayerFilter}) {
        button->setAutoDefault(false);
    }

    m_fileStatus = QStringLiteral("未打开数据文件");
    m_status = new QLabel(m_fileStatus, this);
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(kNoticeMilliseconds);
    connect(m_noticeTimer, &QTimer::timeout, m_status, [this] { m_status->setText(m_fileStatus); });
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setTextFormat(Qt::PlainText);
    m_warning = new QLabel(this);
    m_warning->setObjectName(QStringLiteral("warning"));
    m_warning->setFrameShape(QFrame::StyledPanel);
    m_warning->setFrameShadow(QFrame::Sunken);
    m_warning->setStyleSheet(QStringLiteral("color: #b00000;"));

    // The tab order follows the order of the controls in the layout's template.
    QWidget* const tabOrder[] = {
        m_list,        m_spinColumns,       m_buttonOpen,   m_comboKneeMode, m_buttonExport,
        m_comboLayers, m_buttonLayerFilter, m_spinDecimals, m_checkRenumber, m_checkReverse};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    setTabOrder(m_checkReverse, m_profile->ExaggerationBox()); // the profile's scale last
}

int CQuarvelDlg::MenuHeight() const {
    return m_menu->sizeHint().height();
}

void CQuarvelDlg::PlaceControls() {
    const DialogUnits units(font());
    const int menuHeight = MenuHeight();
    // The layout's controls keep their places relative to the area below the
    // menu bar.
    const auto below = [&units, menuHeight](int x, int y, int cx, int cy) {
        return units.Rect(x, y, cx, cy).translated(0, menuHeight);
    };
    // A text that needs more room than the layout gives it grows to the right
    // instead of being cut.
    const auto place = [](QWidget* widget, const QRect& rect) {
        QRect fitted = rect;
        fitted.setWidth(std::max(rect.width(), widget->sizeHint().width()));
        widget->setGeometry(fitted);
    };
    place(m_spinColumns, below(55, 43, 28, 12));
    place(m_labelColumns, below(5, 44, 45, 9));
    m_buttonOpen->setGeometry(below(35, 13, 56, 18));
    place(m_labelDecimals, below(278, 18, 37, 8));
    place(m_comboKneeMode, below(88, 43, 61, 12));
    m_buttonExport->setGeometry(below(95, 13, 56, 18));
    // The layer list is wide enough to give up its left end to a knee-point
    // combo that needs more room for "显示交点与拐点".
    QRect layers = below(156, 43, 165, 12);
    layers.setLeft(std::max(layers.left(), m_comboKneeMode->geometry().right() + 1 + units.X(4)));
    m_comboLayers->setGeometry(layers);
    m_buttonLayerFilter->setGeometry(below(326, 42, 37, 14));
    place(m_spinDecimals, below(319, 16, 28, 12));
    place(m_checkRenumber, below(183, 18, 37, 8));
    place(m_checkReverse, below(229, 18, 46, 8));

    // The window grows by the menu bar's height, and by the profile's as far
    // as the screen has room; the table gives up the rest.
    const int statusHeight = m_status->sizeHint().height();
    const QSize templateSize = units.Size(370, 303);
    const int height = menuHeight + templateSize.height() + statusHeight;
    const int growth = m_splitter->Growth(screen(), height);
    resize(templateSize.width(), height + growth);
    setMinimumSize(templateSize.width(), menuHeight + units.Y(59 + 60) + statusHeight);
    PlaceTable();
    m_splitter->GiveProfileItsHeight();
}

void CQuarvelDlg::PlaceTable() {
    if (m_list == nullptr) {
        return;
    }
    const DialogUnits units(font());
    const int menuHeight = MenuHeight();
    m_menu->setGeometry(0, 0, width(), menuHeight);
    const int top = menuHeight + units.Y(59);
    const int lineHeight = m_status->sizeHint().height();
    const int statusTop = height() - lineHeight;
    // A warning gets a line of its own above the status line, so that it is
    // not cut beside the file's name.
    const bool warns = !m_warning->text().isEmpty();
    const int warningTop = warns ? statusTop - lineHeight : statusTop;
    const int tableHeight = std::max(0, warningTop - top);
    const int listWidth = RoadListWidth();
    if (listWidth > 0) {
        m_roadList->setGeometry(0, top, listWidth - units.X(2), tableHeight);
    }
    m_splitter->setGeometry(listWidth, top, std::max(0, width() - listWidth), tableHeight);
    m_warning->setGeometry(0, warningTop, width(), lineHeight);
    m_warning->setVisible(warns);
    m_status->setGeometry(0, statusTop, width(), lineHeight);
}

void CQuarvelDlg::ConnectControls() {
    connect(m_spinColumns, qOverload<int>(&QSpinBox::valueChanged), this,
            &CQuarvelDlg::OnColumnCountChanged);
    connect(m_spinDecimals, qOverload<int>(&QSpinBox::valueChanged), this,
            &CQuarvelDlg::OnDecimalsChanged);
    connect(m_comboKneeMode, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &CQuarvelDlg::OnCbnSelchangeKneeMode);
    connect(m_checkRenumber, &QCheckBox::toggled, this, &CQuarvelDlg::OnBnClickedRenumber);
    connect(m_checkReverse, &QCheckBox::toggled, this, &CQuarvelDlg::OnBnClickedReverse);
    connect(m_buttonOpen, &QPushButton::clicked, this, &CQuarvelDlg::OnOpenDataFile);
    connect(m_buttonExport, &QPushButton::clicked, this, &CQuarvelDlg::OnBnClickedExport);
    connect(m_buttonLayerFilter, &QPushButton::clicked, this, &CQuarvelDlg::OnBnClickedLayerFilter);
    connect(m_list->HeaderCtrl(), &CHeaderCtrlEx::fieldChosen, this,
            &CQuarvelDlg::OnEndLabelEditList);
}

void CQuarvelDlg::AddAboutToSystemMenu() {
#ifdef Q_OS_WIN
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr) {
        const std::wstring text = kAboutEntry.toStdWString();
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommand, text.c_str());
    }
#endif
}

#ifdef Q_OS_WIN
bool CQuarvelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
        ShowAboutBox();
        *result = 0;
        return true;
    }
    return QWidget::nativeEvent(eventType, message, result);
}
#endif

void CQuarvelDlg::ShowNotice(const QString& notice) {
    m_status->setText(notice);
    m_noticeTimer->start();
}

QString CQuarvelDlg::StatusText() const {
    return m_warning->text().isEmpty()
               ? m_status->text()
               : m_status->text() + QStringLiteral("    ") + m_warning->text();
}

void CQuarvelDlg::ShowMessage(const QString& message, const QString& detail) const {
    if (m_showMessage) {
        m_showMessage(message, detail);
    }
}

// Copy ---------------------------------------------------------------------

void CQuarvelDlg::CopyRows() {
    if (m_model->rowCount() > 0) {
        QApplication::clipboard()->setText(
            m_model->RowsText(m_list->selectionModel()->selection()));
    }
}

// Window behaviour ---------------------------------------------------------

void CQuarvelDlg::ShowAboutBox() {
    emit aboutRequested();
}

void CQuarvelDlg::closeEvent(QCloseEvent* event) {
    SaveSettings();
    event->accept();
}

void CQuarvelDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CQuarvelDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceTable();
}

void CQuarvelDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(kAboutEntry, this, &CQuarvelDlg::ShowAboutBox);
    menu.exec(event->globalPos());
}

void CQuarvelDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CQuarvelDlg::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop has finished, so that a message box does not run
    // inside the drag and drop.
    QTimer::singleShot(0, this, [this, file] {
        if (QFileInfo(file).isDir()) {
            OpenRoad(RoadSource{{}, file, false});
        } else {
            OpenFile(file);
        }
    });
}

bool CQuarvelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list) {
        const bool isKey =
            event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
        if (isKey && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                CopyRows();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quarvel
