#pragma once

#include <QString>

class QLabel;
class QMessageBox;
class QWidget;

namespace quarvel {

// Every message box of the window follows one width rule: its lines stay whole, as wide as a
// typical path on one line. A wider line gives up its middle, where a path's folders are, and
// the box holds the whole text elsewhere (its details, or a copy button).

// The widest a line of a message shown over window may be.
int MessageLineLimit(const QWidget* window, const QLabel& label);

// Shows text in label with every line whole, none wider than maxWidth. True when a line had to
// give up its middle.
bool ShowLinesWhole(QLabel& label, const QString& text, int maxWidth);

// The box's main text and its informative text (often a path) by the rule above; a line that
// gave up its middle leaves the whole text under the box's details.
void SetBoxText(QMessageBox& box, const QString& text);
void SetBoxDetail(QMessageBox& box, const QString& detail);

// The outcome of a command over many files: the headline, and below it the failures and warnings,
// a line each, in a list that can be selected and copied whole ("复制").
void ShowSummaryBox(QWidget* window, const QString& objectName, const QString& title,
                    const QString& headline, const QString& details);

// A warning centred on window.
void ShowWarningBox(QWidget* window, const QString& message, const QString& detail);

} // namespace quarvel
