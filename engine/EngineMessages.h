#pragma once
// The failure texts the engine shows the user, in the interface language
// configured in "account.ini" at the moment of the failure.

#include <QString>

enum class EngineMessage {
    OpenFailed,
    StreamInfoFailed,
    NoVideoDecoder,
    NoAudioDecoder,
    AudioDecoderOpenFailed,
    AudioSendFailed,
};

namespace EngineMessages {
// English when "Language/type" is "en_us", Chinese otherwise.
QString Text(EngineMessage message);
} // namespace EngineMessages
