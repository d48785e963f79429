#pragma once

#include <QJsonObject>
#include <optional>

// Coarse player state: 0 idle (initial, and after a load failure), 1 playing, 2 paused.
struct PlaybackState
{
    enum Mode : qint64 { Idle = 0, Playing = 1, Paused = 2 };
    qint64 mode = Idle;

    QJsonObject toJson() const { return {{QStringLiteral("mode"), mode}}; }
    static std::optional<PlaybackState> fromJson(const QJsonObject &object)
    {
        const QJsonValue value = object.value(QStringLiteral("mode"));
        if (!value.isDouble())
            return std::nullopt;
        return PlaybackState{value.toInteger()};
    }
};
