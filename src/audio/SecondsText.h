#pragma once

#include <QString>

// Shortest text that reads back as the same value, always with a fractional part:
// 0 -> "0.0", 90 -> "90.0", 12.5 -> "12.5" (the places in the log lines).
QString secondsText(double seconds);
