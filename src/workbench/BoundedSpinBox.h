#pragma once

#include <QSpinBox>

namespace quarvel {

// A spin box whose typed text is bounded at once: a number below the minimum
// becomes the minimum, one above the maximum the maximum, and anything but
// digits is refused as it is typed. No prompt ever appears, and the edit is
// never left empty: erasing the last digit gives back the value the table
// shows, selected, so that the next digit replaces it and the arrows step
// from it.
class BoundedSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit BoundedSpinBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Set while a key's edit emptied the text and validate gave the value back.
    mutable bool m_bRefilled = false;
};

} // namespace quarvel
