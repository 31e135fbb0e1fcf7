#include "workbench/BoundedSpinBox.h"

#include <QLineEdit>

#include <algorithm>

namespace quarvel {

BoundedSpinBox::BoundedSpinBox(QWidget* parent) : QSpinBox(parent) {
    setKeyboardTracking(true);
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

QValidator::State BoundedSpinBox::validate(QString& input, int& pos) const {
    if (input.isEmpty()) {
        // An empty edit would leave the arrows nothing to step from.
        input = QString::number(value());
        pos = static_cast<int>(input.size());
        m_bRefilled = true;
        return QValidator::Acceptable;
    }
    const bool digitsOnly =
        std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digitsOnly) {
        return QValidator::Invalid;
    }
    // Long runs of digits are far above any maximum; they must not overflow.
    const QString trimmed = input.size() > 9 ? QStringLiteral("999999999") : input;
    const int value = std::clamp(trimmed.toInt(), minimum(), maximum());
    input = QString::number(value);
    pos = std::min(pos, static_cast<int>(input.size()));
    return QValidator::Acceptable;
}

void BoundedSpinBox::fixup(QString& input) const {
    if (input.isEmpty()) {
        input = QString::number(value());
    }
}

void BoundedSpinBox::keyPressEvent(QKeyEvent* event) {
    m_bRefilled = false;
    QSpinBox::keyPressEvent(event);
    if (m_bRefilled) {
        m_bRefilled = false;
        lineEdit()->selectAll();
    }
}

} // namespace quarvel
