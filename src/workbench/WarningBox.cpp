#include "workbench/WarningBox.h"

#include "workbench/WorkbenchText.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>

#include <algorithm>

namespace quarvel {
namespace {

// Room for a path some folders deep, named in Chinese, in ideographs.
constexpr int kTypicalLineIdeographs = 60;
// What the box needs beside its text: the icon, the margins and the window frame.
constexpr int kBoxFrame = 160;

int WidestLine(const QString& text, const QFontMetrics& metrics) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

// Each line of text at most maxWidth wide, a wider one elided in its middle.
QString ElideLines(const QString& text, const QFontMetrics& metrics, int maxWidth) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line = metrics.elidedText(line, Qt::ElideMiddle, maxWidth);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void ShowWarningBox(QWidget* window, const QString& message, const QString& detail) {
    QMessageBox box(QMessageBox::Warning, kWindowTitle, message, QMessageBox::Ok, window);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(detail);
    QLabel* detailLabel = nullptr;
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text() == detail && label->text() != message) {
            detailLabel = label;
        }
    }
    if (detailLabel != nullptr) {
        const QFontMetrics metrics(detailLabel->font());
        int maxWidth = kTypicalLineIdeographs * metrics.horizontalAdvance(QChar(0x4E2D));
        if (const QScreen* screen = (window != nullptr ? window : &box)->screen()) {
            maxWidth = std::min(maxWidth, screen->availableGeometry().width() - kBoxFrame);
        }
        const QString shown = ElideLines(detail, metrics, maxWidth);
        // A file name may hold "<b>" or "&lt;": shown as it is.
        detailLabel->setTextFormat(Qt::PlainText);
        detailLabel->setText(shown);
        // The box would otherwise be as narrow as the message and break the path mid-name.
        detailLabel->setMinimumWidth(WidestLine(shown, metrics) + 1);
        if (shown != detail) {
            box.setDetailedText(detail);
        }
    }
    box.exec();
}

} // namespace quarvel
