#pragma once

#include "persistence/Preferences.h"

#include <QObject>

// The one owner of the playback preferences: loads them from preferences.json at start, and
// saves the file and says so on every change. Each property, setter and signal comes from
// the declaration list TALVORA_PLAYBACK_PREFERENCES.
class PlaybackPreferences : public QObject
{
    Q_OBJECT
#define TALVORA_PREFERENCE_PROPERTY(type, name, setter, fallback, normalize)                       \
    Q_PROPERTY(type name READ name WRITE setter NOTIFY name##Changed)
    TALVORA_PLAYBACK_PREFERENCES(TALVORA_PREFERENCE_PROPERTY)
#undef TALVORA_PREFERENCE_PROPERTY

public:
    // `folder` is the data folder; an empty one keeps the preferences in memory only.
    explicit PlaybackPreferences(const QString &folder, QObject *parent = nullptr);

#define TALVORA_PREFERENCE_ACCESS(type, name, setter, fallback, normalize)                         \
    type name() const                                                                              \
    {                                                                                              \
        return m_values.name;                                                                      \
    }                                                                                              \
    void setter(const type &value)                                                                 \
    {                                                                                              \
        change(&Preferences::Values::name, normalize(value), &PlaybackPreferences::name##Changed); \
    }
    TALVORA_PLAYBACK_PREFERENCES(TALVORA_PREFERENCE_ACCESS)
#undef TALVORA_PREFERENCE_ACCESS

signals:
#define TALVORA_PREFERENCE_SIGNAL(type, name, setter, fallback, normalize) void name##Changed();
    TALVORA_PLAYBACK_PREFERENCES(TALVORA_PREFERENCE_SIGNAL)
#undef TALVORA_PREFERENCE_SIGNAL

private:
    template <typename T>
    void change(T Preferences::Values::*field, const T &value,
                void (PlaybackPreferences::*changed)())
    {
        if (m_values.*field == value)
            return;
        m_values.*field = value;
        m_file.save(m_values);
        emit(this->*changed)();
    }

    Preferences m_file;
    Preferences::Values m_values;
};
