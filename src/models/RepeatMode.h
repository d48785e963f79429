#pragma once

#include <optional>

// Stored as its integer value in the settings file.
enum class RepeatMode : int { Off = 0, All = 1, One = 2 };

inline std::optional<RepeatMode> repeatModeFromInt(long long value)
{
    if (value < 0 || value > 2)
        return std::nullopt;
    return static_cast<RepeatMode>(value);
}
