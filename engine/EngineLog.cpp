#include "EngineLog.h"

Q_LOGGING_CATEGORY(lcEngineFrames, "vorel.engine.frames", QtWarningMsg)
