#include "workbench/InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace quarvel {
namespace {

bool IsBlocked(const QEvent& event) {
    switch (event.type()) {
    case QEvent::Close:
    case QEvent::Shortcut:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        // Keys, the mouse, the wheel, touch, pens and context menus.
        return event.isInputEvent();
    }
}

} // namespace

InputBlocker::InputBlocker(QWidget* allowed) : m_allowed(allowed) {
    QCoreApplication::instance()->installEventFilter(this);
}

InputBlocker::~InputBlocker() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputBlocker::IsAllowed(const QObject* receiver) const {
    // A window of the system passes its input on to its widgets, where it is judged.
    if (receiver->isWindowType()) {
        return true;
    }
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    return widget != nullptr && m_allowed != nullptr &&
           (widget == m_allowed || m_allowed->isAncestorOf(widget));
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (!IsBlocked(*event) || IsAllowed(watched)) {
        return false;
    }
    // Ignored, so that a close does not go ahead and a key is not taken as handled.
    event->ignore();
    return true;
}

} // namespace quarvel
