#pragma once

#include <QString>

namespace Fixtures {
// Path of a real constant-bitrate MP3 (22.05 kHz mono, a quiet tone) lasting `seconds`, so
// byte offsets map exactly to times. Made once with lame and kept in the build tree, so an
// hour-long file costs only the first test that asks for it. Empty if lame fails.
QString mp3(int seconds, int kbps = 32);
} // namespace Fixtures
