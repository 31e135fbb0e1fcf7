#include "workbench/FileDialogs.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

#include <algorithm>

#ifdef Q_OS_WIN
#include "workbench/RegistrySnapshot.h"

#include <memory>
#include <optional>
#endif

namespace quarvel {
namespace {

#ifdef Q_OS_WIN
// Qt keeps the history of its file dialogs in the user's registry, in keys that every Qt
// program shares: reading it, as every dialog does when made, makes the keys, and a dialog
// writes it when it goes. Quarvel stores nothing outside its own settings file.
constexpr wchar_t kHistoryKey[] = L"Software\\QtProject\\OrganizationDefaults\\FileDialog";

std::optional<RegistrySnapshot>& HistoryBeforeFirstDialog() {
    static std::optional<RegistrySnapshot> history;
    return history;
}

// The history goes back as the dialog found it, and the keys that Quarvel's dialogs made go.
void KeepHistoryOut(QFileDialog& dialog) {
    const auto before = std::make_shared<RegistrySnapshot>(kHistoryKey);
    QObject::connect(&dialog, &QObject::destroyed, [before] {
        before->Restore();
        if (const std::optional<RegistrySnapshot>& first = HistoryBeforeFirstDialog()) {
            first->RemoveEmptyKeysMadeSince();
        }
    });
}
#endif

#ifndef Q_OS_WIN
// Room for a name of some thirty characters beside the size, type and date columns, and for
// the places beside the list: in average characters and in lines of text.
constexpr int kDialogWidthChars = 120;
constexpr int kDialogHeightLines = 30;
// Share of the screen the dialog may take at most.
constexpr double kMostOfTheScreen = 0.9;

// The name column takes the room the size, type and date columns leave; those three show whole.
void FitColumns(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (details == nullptr) {
        return;
    }
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    for (int column = 1; column < header->count(); ++column) {
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    header->setSectionResizeMode(0, QHeaderView::Stretch);
}

void SizeToFit(QFileDialog& dialog) {
    const QFontMetrics metrics(dialog.font());
    QSize size(kDialogWidthChars * metrics.averageCharWidth(),
               kDialogHeightLines * metrics.lineSpacing());
    const QWidget* const parent = dialog.parentWidget();
    if (const QScreen* screen = parent != nullptr ? parent->screen() : dialog.screen()) {
        const QSize available = screen->availableGeometry().size() * kMostOfTheScreen;
        size = size.boundedTo(available);
    }
    dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
}
#endif

QStringList Ask(QFileDialog& dialog) {
    PrepareFileDialog(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

} // namespace

void NoteQtDialogHistory() {
#ifdef Q_OS_WIN
    HistoryBeforeFirstDialog().emplace(kHistoryKey);
#endif
}

void PrepareFileDialog(QFileDialog& dialog) {
#ifdef Q_OS_WIN
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    KeepHistoryOut(dialog);
#else
    // A desktop's own dialog would follow the desktop's language, not the program's.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    FitColumns(dialog);
    SizeToFit(dialog);
#endif
}

bool IsQtOwnDialog(const QFileDialog& dialog) {
    return dialog.testOption(QFileDialog::DontUseNativeDialog);
}

QString AskOpenFile(QWidget* parent, const QString& title, const QString& folder,
                    const QString& filters) {
    QFileDialog dialog(parent, title, folder, filters);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Ask(dialog).value(0);
}

QStringList AskOpenFiles(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filters) {
    QFileDialog dialog(parent, title, folder, filters);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return Ask(dialog);
}

QString AskFolder(QWidget* parent, const QString& title, const QString& folder) {
    QFileDialog dialog(parent, title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    return Ask(dialog).value(0);
}

} // namespace quarvel
