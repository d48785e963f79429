#pragma once

#include "audio/PlayQueue.h"
#include "models/Track.h"

#include <QList>
#include <QString>

#include <optional>

// "Setelah kajian selesai": what plays once a lecture has played to its end.
class NextLecture
{
public:
    enum class Rule {
        NextPart,   // "Lanjut ke bagian berikutnya": the series' next part, else stop
        NextInList, // "Lanjut ke kajian berikutnya di daftar": the queue's next lecture
        Stop,       // "Berhenti"
    };

    struct Choice
    {
        Track track;
        // The series as the new queue; absent keeps the queue.
        std::optional<QList<Track>> queue;
    };

    // `series` holds the ended lecture's series in order (empty when it is in none). Nothing
    // plays on past the last part or the queue's last lecture, nor when the sleep timer waits
    // for this end.
    static std::optional<Choice> after(Rule rule, const Track &ended, const PlayQueue &queue,
                                       const QList<Track> &series, bool sleepAtEnd);

    // The stored names of the rules ("nextPart", "nextInList", "stop"); unknown reads as none.
    static QString name(Rule rule);
    static std::optional<Rule> fromName(const QString &name);
};
