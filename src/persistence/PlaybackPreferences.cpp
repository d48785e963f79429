#include "persistence/PlaybackPreferences.h"

PlaybackPreferences::PlaybackPreferences(const QString &folder, QObject *parent)
    : QObject(parent), m_file(folder), m_values(m_file.load())
{
}
