#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class AudioEngine;

// "Ulangi bagian": a passage of the current lecture (its start A and end B) played again and
// again, to learn a hadith, a verse or a doa by heart. It repeats a chosen number of times
// (1, 3, 5, 7, 10, or until stopped) with a short pause between the repetitions, then the
// lecture plays on from the end of the passage. A skip or seek outside the passage, or
// another lecture, ends it. It drives the engine only through its public commands.
class PassageRepeat : public QObject
{
    Q_OBJECT
    // 0 nothing marked, 1 the start marked (waiting for the end), 2 repeating.
    Q_PROPERTY(int stage READ stage NOTIFY changed)
    Q_PROPERTY(double start READ start NOTIFY changed)
    Q_PROPERTY(double end READ end NOTIFY changed)
    // Times to play the passage: 1, 3, 5, 7 or 10; 0 until stopped.
    Q_PROPERTY(int count READ count WRITE setCount NOTIFY settingsChanged)
    // Seconds of silence between repetitions: 0, 1 or 2.
    Q_PROPERTY(int gapSeconds READ gapSeconds WRITE setGapSeconds NOTIFY settingsChanged)
    // Repetitions finished so far.
    Q_PROPERTY(int done READ done NOTIFY doneChanged)
    // "Ulangi 3×", "Ulangi terus".
    Q_PROPERTY(QString label READ label NOTIFY settingsChanged)
    // Why the last passage was refused; empty otherwise.
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    static constexpr double MinimumLength = 1.0;

    explicit PassageRepeat(AudioEngine &engine, QObject *parent = nullptr);

    int stage() const { return m_stage; }
    double start() const { return m_start; }
    double end() const { return m_end; }
    int count() const { return m_count; }
    void setCount(int count);
    int gapSeconds() const { return m_gapSeconds; }
    void setGapSeconds(int seconds);
    int done() const { return m_done; }
    QString label() const;
    QString message() const { return m_message; }

    // A at the current place.
    Q_INVOKABLE void markStart();
    // B at the current place: the passage starts repeating, or is refused.
    Q_INVOKABLE bool markEnd();
    // The bar's two steps: A, then B; while repeating it stops.
    Q_INVOKABLE void step();
    // A passage given whole (a note's): moves to its start, playing, and repeats it.
    Q_INVOKABLE bool repeatPassage(double start, double end);
    Q_INVOKABLE void stop();

signals:
    void changed();
    void settingsChanged();
    void doneChanged();
    void messageChanged();

private:
    bool begin(double start, double end);
    void followTime();
    void followJump();
    void playAgain();
    void setMessage(const QString &message);
    void setDone(int done);

    AudioEngine &m_engine;
    int m_stage = 0;
    double m_start = 0;
    double m_end = 0;
    int m_count = 3;
    int m_gapSeconds = 1;
    int m_done = 0;
    QString m_message;
    // This object's own seek back to the start, which must not end the repeat.
    bool m_seeking = false;
    QTimer m_gap;
    // A refusal shows for a few seconds.
    QTimer m_messageTimer;
};
