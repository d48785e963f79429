#pragma once

#include <QString>

// Whether the listener turned on "Perjelas suara" (loudness evening for quiet and uneven hall
// recordings), kept in "voice.json" in the data folder so it survives a restart. A missing or
// undecodable file reads as off.
class VoicePreference
{
public:
    static bool loadClearerVoice(const QString &folder);
    // False (the old file kept) when the write fails.
    static bool saveClearerVoice(const QString &folder, bool on);
};
