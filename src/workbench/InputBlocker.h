#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace quarvel {

// While it lives, the user's input to every window but one is dropped, and so is a request to
// close them. A command that runs the event loop before its modal progress shows (it shows only
// after a while) must not let a second command start or the window close meanwhile.
class InputBlocker : public QObject {
    Q_OBJECT
public:
    // allowed and its children take input as usual.
    explicit InputBlocker(QWidget* allowed);
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsAllowed(const QObject* receiver) const;

    QPointer<QWidget> m_allowed;
};

} // namespace quarvel
