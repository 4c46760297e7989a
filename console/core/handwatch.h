// Ends every held pad command as soon as the console can no longer see the
// operator's hand on a pad: before a dialog or message box shows (modal or
// not), when the console window is deactivated or minimised, and when another
// X client takes the pointer away. A modal dialog takes the mouse, so the
// pad would never see its release and the crawler would keep moving behind
// the dialog.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>

class QWidget;

class HandWatch : public QObject, public QAbstractNativeEventFilter {
public:
    // Watches every window of the application; releaseHeld ends the held
    // commands (on the GUI thread, before whatever hides the pads shows).
    HandWatch(QWidget* console, std::function<void()> releaseHeld);
    ~HandWatch() override;
    HandWatch(const HandWatch&) = delete;
    HandWatch& operator=(const HandWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hidesTheHand(QObject* watched, const QEvent& event) const;

    QWidget* const m_pConsole;
    std::function<void()> m_releaseHeld;
};
