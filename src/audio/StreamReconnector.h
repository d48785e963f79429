#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

// When a broken stream is tried again: soon after the break, then at a steady pace (the
// delays in turn, the last one repeating), and at once when the system reports the network
// back, until a time limit from the break. One try at a time: the owner starts a try on
// tryNow() and reports its end with tryFailed() or finish(); the next is planned only then.
class StreamReconnector : public QObject
{
    Q_OBJECT
public:
    StreamReconnector(QList<int> delaysMs, int limitMs, QObject *parent = nullptr);

    // A break: plans the first try. Does nothing while a break is already being mended.
    // `continueLast`: the stream broke again soon after it came back; the limit still counts
    // from the earlier break, so a stream that keeps breaking is given up in the end.
    void begin(bool continueLast = false);
    // The try in flight failed: plans the next one, or gives up past the limit.
    void tryFailed();
    // The stream is back, or the listener moved on: nothing more is tried.
    void finish();

    bool isActive() const { return m_active; }
    bool isTrying() const { return m_trying; }
    int tries() const { return m_tries; }

signals:
    // Start try `number` (1, 2, ...) now.
    void tryNow(int number);
    // The limit passed without the stream coming back; nothing more is tried.
    void gaveUp(int tries);

private:
    void planNext();
    void fire();
    void networkCameBack();

    QList<int> m_delays;
    int m_limitMs;
    QTimer m_timer;
    QElapsedTimer m_since;
    bool m_active = false;
    bool m_trying = false;
    bool m_networkBack = false;
    int m_tries = 0;
};
