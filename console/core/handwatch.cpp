#include "handwatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdint>
#include <utility>

namespace {

// The X11 pointer-leave event as the xcb backend hands it to native filters
// (xcb_leave_notify_event_t; the layout is fixed by the X protocol).
struct XcbCrossingEvent {
    uint8_t responseType;
    uint8_t detail;
    uint16_t sequence;
    uint32_t time;
    uint32_t root;
    uint32_t event;
    uint32_t child;
    int16_t rootX;
    int16_t rootY;
    int16_t eventX;
    int16_t eventY;
    uint16_t state;
    uint8_t mode;
    uint8_t sameScreenFocus;
};
constexpr uint8_t kXcbLeaveNotify = 8;
constexpr uint8_t kXcbNotifyModeGrab = 1;
constexpr uint8_t kXcbSentEventBit = 0x80;

// Windows that come between the operator and the pads; tool tips and popups
// of the console's own controls do not.
bool isDialogLike(const QWidget& window)
{
    switch (window.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
        return true;
    default:
        return false;
    }
}

} // namespace

HandWatch::HandWatch(QWidget* console, std::function<void()> releaseHeld)
    : QObject(console), m_pConsole(console), m_releaseHeld(std::move(releaseHeld))
{
    QCoreApplication::instance()->installEventFilter(this);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

HandWatch::~HandWatch()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool HandWatch::hidesTheHand(QObject* watched, const QEvent& event) const
{
    if (watched == m_pConsole) {
        switch (event.type()) {
        case QEvent::WindowBlocked:    // a modal window is about to show
        case QEvent::WindowDeactivate: // another window has the input now
            return true;
        case QEvent::WindowStateChange:
            return m_pConsole->isMinimized();
        default:
            return false;
        }
    }
    if (event.type() != QEvent::Show || !watched->isWidgetType())
        return false;
    const auto* widget = static_cast<QWidget*>(watched);
    return widget->isWindow() && isDialogLike(*widget);
}

bool HandWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (hidesTheHand(watched, *event))
        m_releaseHeld();
    return false;
}

bool HandWatch::nativeEventFilter(const QByteArray& eventType, void* message, long*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const XcbCrossingEvent*>(message);
    // While a button is held the pointer belongs to the pressed window; a
    // grab by another client takes it and the release will never come here.
    if ((event->responseType & ~kXcbSentEventBit) == kXcbLeaveNotify &&
        event->mode == kXcbNotifyModeGrab)
        m_releaseHeld();
    return false;
}
