// SIGTERM, SIGINT and SIGHUP close the program as its close button does:
// every window closes, open dialogs first, so the console resets the crawler
// and the event loop ends normally. The signal handler only writes the
// signal number into a socket pair; the GUI thread reads it through a
// QSocketNotifier, emits received() and closes the windows. One instance at
// a time; its destructor gives the signals their default action back.
#pragma once

#include <QObject>

class QSocketNotifier;

class CloseOnSignals : public QObject {
    Q_OBJECT

public:
    explicit CloseOnSignals(QObject* parent = nullptr);
    ~CloseOnSignals() override;
    CloseOnSignals(const CloseOnSignals&) = delete;
    CloseOnSignals& operator=(const CloseOnSignals&) = delete;

    // False when the socket pair could not be made: the signals then keep
    // their default action.
    bool isInstalled() const { return m_pNotifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPending();

    int m_fds[2] = {-1, -1}; // read end, write end (the handler's)
    QSocketNotifier* m_pNotifier = nullptr;
};
