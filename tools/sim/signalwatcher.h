#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal, so the simulator ends through its event
// loop and cleans up. The signals are blocked and read from a signalfd.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    // Must run before any thread starts, so no thread takes the signals the usual way.
    static void blockTerminationSignals();

    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
