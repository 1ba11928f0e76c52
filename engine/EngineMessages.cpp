#include "EngineMessages.h"

#include <QSettings>

namespace {
struct MessageText {
    const char* english;
    const char* chinese; // UTF-8
};

MessageText Lookup(EngineMessage message)
{
    switch (message) {
    case EngineMessage::OpenFailed:
        return {"avcodec_configuration failed", "打开文件失败"};
    case EngineMessage::StreamInfoFailed:
        return {"avformat_find_stream_info failed!", "寻找流信息失败"};
    case EngineMessage::NoVideoDecoder:
        return {"avcodec_find_decoder failed!", "寻找视频解码器失败"};
    case EngineMessage::NoAudioDecoder:
        return {"avcodec_find_decoder failed!", "寻找音频解码器失败"};
    case EngineMessage::AudioDecoderOpenFailed:
        return {"The audio frame failed to open the decoder", "音频帧打开解码器失败"};
    case EngineMessage::AudioSendFailed:
        return {"Audio frame sending failed", "音频帧发送失败"};
    }
    return {"", ""};
}
} // namespace

QString EngineMessages::Text(EngineMessage message)
{
    const QSettings settings(QStringLiteral("account.ini"), QSettings::IniFormat);
    const bool english = settings.value(QStringLiteral("Language/type")).toString() == QLatin1String("en_us");
    const MessageText text = Lookup(message);
    return english ? QString::fromLatin1(text.english) : QString::fromUtf8(text.chinese);
}
