#include "workbench/MainMenu.h"

#include <QAction>
#include <QMenu>

namespace quarvel {

MainMenu::MainMenu(QWidget* parent) : QMenuBar(parent) {
    setObjectName(QStringLiteral("menuBar"));
    // The window is no main window: the bar must not move into a desktop's
    // global menu, where the layout below it would leave a gap.
    setNativeMenuBar(false);

    m_fileMenu = addMenu(QStringLiteral("文件(&F)"));
    m_open = m_fileMenu->addAction(QStringLiteral("打开数据文件…"));
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_openRoad = m_fileMenu->addAction(QStringLiteral("打开道路…"));
    m_openRoad->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    m_recentMenu = m_fileMenu->addMenu(QStringLiteral("最近打开"));
    m_recentMenu->setObjectName(QStringLiteral("recentMenu"));
    m_fileMenu->addSeparator();
    m_export = m_fileMenu->addAction(QStringLiteral("数据导出…"));
    m_export->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_exportProfile = m_fileMenu->addAction(QStringLiteral("导出断面图…"));
    m_exportSheets = m_fileMenu->addAction(QStringLiteral("导出横断面图纸…"));
    m_batchExport = m_fileMenu->addAction(QStringLiteral("批量导出…"));
    m_batchExport->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    m_exportRoad = m_fileMenu->addAction(QStringLiteral("导出全线断面表…"));
    m_exportRoad->setEnabled(false);
    m_exportOptions = m_fileMenu->addAction(QStringLiteral("导出选项…"));
    m_fileMenu->addSeparator();
    m_quit = m_fileMenu->addAction(QStringLiteral("退出"));
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    m_viewMenu = addMenu(QStringLiteral("视图(&V)"));
    m_profile = m_viewMenu->addAction(QStringLiteral("断面图"));
    m_profile->setCheckable(true);
    m_profile->setChecked(true);
    m_profile->setShortcut(QKeySequence(Qt::Key_F7));
    m_viewMenu->addSeparator();
    m_nextSection = m_viewMenu->addAction(QStringLiteral("下一断面"));
    m_nextSection->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    m_previousSection = m_viewMenu->addAction(QStringLiteral("上一断面"));
    m_previousSection->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    m_nextSection->setEnabled(false);
    m_previousSection->setEnabled(false);

    m_helpMenu = addMenu(QStringLiteral("帮助(&H)"));
    m_about = m_helpMenu->addAction(QStringLiteral("关于 Quarvel…"));
    m_about->setShortcut(QKeySequence(Qt::Key_F1));

    // The shortcuts work while the focus is anywhere in the window, also
    // before a menu was ever opened.
    for (QAction* action : {m_open, m_openRoad, m_export, m_batchExport, m_profile, m_nextSection,
                            m_previousSection, m_quit, m_about}) {
        action->setShortcutContext(Qt::WindowShortcut);
        parent->addAction(action);
    }
}

QMenu* MainMenu::InsertMenu(const QString& title) {
    auto* menu = new QMenu(title, this);
    insertMenu(m_helpMenu->menuAction(), menu);
    return menu;
}

} // namespace quarvel
