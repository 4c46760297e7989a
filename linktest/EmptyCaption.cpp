#include "EmptyCaption.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

namespace {

// Both names a window manager may show, emptied through a connection of our
// own (Qt keeps its X connection to itself). Below, after Xlib's headers.
void emptyNameProperties(WId window);

// Once the window is exposed, Qt's own requests that named it at its creation
// have reached the server, so ours come after them.
class CaptionKeeper : public QObject {
public:
    explicit CaptionKeeper(QWindow* window) : QObject(window), m_window(window) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_window->isExposed()) {
            emptyNameProperties(m_window->winId());
            m_window->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QWindow* m_window;
};

} // namespace

void KeepCaptionEmpty(QWindow* window)
{
    if (window == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    window->installEventFilter(new CaptionKeeper(window));
}

// Last: Xlib's macros (Expose, None, Bool, ...) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

void emptyNameProperties(WId window)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return;
    const unsigned char nothing[1] = {0};
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netName, utf8, 8, PropModeReplace, nothing, 0);
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace, nothing, 0);
    XSync(display, False);
    XCloseDisplay(display);
}

} // namespace
