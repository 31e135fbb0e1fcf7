#include "workbench/MessageBoxes.h"

#include "workbench/WorkbenchText.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quarvel {
namespace {

// Room for a path some folders deep, named in Chinese, in ideographs.
constexpr int kTypicalLineIdeographs = 60;
// What a box needs beside its text: the icon, the margins and the window frame.
constexpr int kBoxFrame = 160;

int ScreenWidth(const QWidget* window, const QWidget& fallback) {
    const QScreen* screen = (window != nullptr ? window : &fallback)->screen();
    return screen != nullptr ? screen->availableGeometry().width() : 0;
}

// QMessageBox breaks a text wider than this anywhere, mid-name: 480 px less than the screen, at
// most 1000 px, or the whole of a screen 1024 px wide or narrower.
int MessageBoxHardLimit(int screenWidth) {
    return screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
}

// Fills label of box by the rule; a box too wide for QMessageBox's own limit gives up more.
void KeepLinesWhole(QMessageBox& box, QLabel& label, const QString& text) {
    const int limit = MessageLineLimit(box.parentWidget(), label);
    bool elided = ShowLinesWhole(label, text, limit);
    const int screenWidth = ScreenWidth(box.parentWidget(), box);
    if (box.layout() != nullptr && screenWidth > 0) {
        const int overflow =
            box.layout()->totalMinimumSize().width() - MessageBoxHardLimit(screenWidth);
        if (overflow > 0) {
            elided = ShowLinesWhole(label, text, limit - overflow);
        }
    }
    if (elided) {
        const QString details = box.detailedText();
        box.setDetailedText(details.isEmpty() ? text : details + QLatin1Char('\n') + text);
    }
}

QLabel* BoxLabel(const QMessageBox& box, const char* name) {
    return box.findChild<QLabel*>(QString::fromLatin1(name));
}

} // namespace

int MessageLineLimit(const QWidget* window, const QLabel& label) {
    const QFontMetrics metrics(label.font());
    const int typical = kTypicalLineIdeographs * metrics.horizontalAdvance(QChar(0x4E2D));
    const int screenWidth = ScreenWidth(window, label);
    return screenWidth > 0 ? std::min(typical, screenWidth - kBoxFrame) : typical;
}

bool ShowLinesWhole(QLabel& label, const QString& text, int maxWidth) {
    const QFontMetrics metrics(label.font());
    // Fractional advances, as the label lays its text out.
    const QFontMetricsF exactMetrics(label.font());
    QStringList lines = text.split(QLatin1Char('\n'));
    bool elided = false;
    int widest = 0;
    for (QString& line : lines) {
        const QString shown = metrics.elidedText(line, Qt::ElideMiddle, maxWidth);
        elided = elided || shown != line;
        line = shown;
        widest =
            std::max(widest, static_cast<int>(std::ceil(exactMetrics.horizontalAdvance(line))));
    }
    // A file name may hold "<b>" or "&lt;": shown as it is.
    label.setTextFormat(Qt::PlainText);
    label.setText(lines.join(QLatin1Char('\n')));
    const QMargins margins = label.contentsMargins();
    label.setMinimumWidth(widest + 2 * label.margin() + margins.left() + margins.right() + 1);
    return elided;
}

void SetBoxText(QMessageBox& box, const QString& text) {
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (QLabel* label = BoxLabel(box, "qt_msgbox_label")) {
        KeepLinesWhole(box, *label, text);
    }
}

void SetBoxDetail(QMessageBox& box, const QString& detail) {
    box.setInformativeText(detail);
    if (QLabel* label = BoxLabel(box, "qt_msgbox_informativelabel")) {
        KeepLinesWhole(box, *label, detail);
    }
}

void ShowSummaryBox(QWidget* window, const QString& objectName, const QString& title,
                    const QString& headline, const QString& details) {
    QDialog dialog(window);
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(&dialog);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // "复制" copies the headline whole should it have given up its middle.
    ShowLinesWhole(*label, headline, MessageLineLimit(window, *label));
    layout->addWidget(label);
    if (!details.isEmpty()) {
        auto* list = new QPlainTextEdit(details, &dialog);
        list->setReadOnly(true);
        list->setLineWrapMode(QPlainTextEdit::NoWrap);
        list->setMinimumWidth(label->fontMetrics().averageCharWidth() * 90);
        layout->addWidget(list);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QPushButton* copy = buttons->addButton(QStringLiteral("复制"), QDialogButtonBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, &dialog, [&headline, &details] {
        QApplication::clipboard()->setText(headline + QLatin1Char('\n') + details);
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

void ShowWarningBox(QWidget* window, const QString& message, const QString& detail) {
    QMessageBox box(QMessageBox::Warning, kWindowTitle, QString(), QMessageBox::Ok, window);
    SetBoxText(box, message);
    SetBoxDetail(box, detail);
    box.exec();
}

} // namespace quarvel
