#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace quarvel {

// Every file and folder dialog of the window is made here, so that all are of one kind: the
// system's on Windows; elsewhere Qt's own, in Chinese through Qt's translations, and wide
// enough for its columns. Qt's history of its dialogs goes where the program puts Qt's
// settings aside (main() does, before the first dialog); on Windows, where Qt keeps it in the
// registry, each dialog leaves the registry as it found it.

// On Windows, notes which of the registry keys of Qt's history exist, so that the dialogs
// remove the keys that merely reading the history makes; elsewhere nothing. Call once, before
// the first dialog.
void NoteQtDialogHistory();

// Sets up a dialog the caller has made, such as a save dialog with its filters.
void PrepareFileDialog(QFileDialog& dialog);
// Qt's own dialog can take a control of the caller's; the system's cannot.
bool IsQtOwnDialog(const QFileDialog& dialog);

// The chosen file; empty when cancelled.
QString AskOpenFile(QWidget* parent, const QString& title, const QString& folder,
                    const QString& filters);
// The chosen files; none when cancelled.
QStringList AskOpenFiles(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filters);
// The chosen folder; empty when cancelled.
QString AskFolder(QWidget* parent, const QString& title, const QString& folder);

} // namespace quarvel
