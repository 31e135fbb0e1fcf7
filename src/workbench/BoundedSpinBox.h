#pragma once

#include <QSpinBox>

namespace quarvel {

// A spin box whose typed text is bounded at once: a number below the minimum
// becomes the minimum, one above the maximum the maximum, and anything but
// digits is refused as it is typed. No prompt ever appears, and text emptied
// while editing is given back its value when the edit is left.
class BoundedSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit BoundedSpinBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

} // namespace quarvel
