#include "audio/NextLecture.h"

std::optional<NextLecture::Choice> NextLecture::after(Rule rule, const Track &ended,
                                                      const PlayQueue &queue,
                                                      const QList<Track> &series, bool sleepAtEnd)
{
    if (sleepAtEnd)
        return std::nullopt;
    switch (rule) {
    case Rule::NextPart:
        for (qsizetype i = 0; i + 1 < series.size(); ++i) {
            if (series[i].id == ended.id)
                return Choice{series[i + 1], series};
        }
        return std::nullopt;
    case Rule::NextInList:
        if (queue.isEmpty() || queue.track().id != ended.id)
            return std::nullopt;
        if (const std::optional<Track> following = queue.following())
            return Choice{*following, std::nullopt};
        return std::nullopt;
    case Rule::Stop:
        break;
    }
    return std::nullopt;
}

QString NextLecture::name(Rule rule)
{
    switch (rule) {
    case Rule::NextPart:
        return QStringLiteral("nextPart");
    case Rule::NextInList:
        return QStringLiteral("nextInList");
    case Rule::Stop:
        break;
    }
    return QStringLiteral("stop");
}

std::optional<NextLecture::Rule> NextLecture::fromName(const QString &name)
{
    for (Rule rule : {Rule::NextPart, Rule::NextInList, Rule::Stop}) {
        if (NextLecture::name(rule) == name)
            return rule;
    }
    return std::nullopt;
}
