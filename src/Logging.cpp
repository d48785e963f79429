#include "Logging.h"

Q_LOGGING_CATEGORY(lcAudio, "talvora.audio", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDownloads, "talvora.downloads", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNetwork, "talvora.network", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "talvora.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlayer, "talvora.player", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPrayer, "talvora.prayer", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "talvora.shell", QtWarningMsg)
