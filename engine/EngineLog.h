#pragma once
// Logging categories of the engine. Lines written per picture or per packet
// go to lcEngineFrames, which is off by default (enable with
// QT_LOGGING_RULES="vorel.engine.frames.debug=true"), so that a playback
// does not flood the terminal or the log file.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEngineFrames)
