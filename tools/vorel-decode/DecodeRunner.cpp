#include "DecodeRunner.h"

#include "AudioOut.h"
#include "PlaySpliterSystem.h"
#include "SubtitleEvent.h"
#include "TrackChoice.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <mutex>

#include <cstdio>

namespace
{
// Pictures within this distance of the seek target count as its landing.
constexpr int kSeekWindowMs = 5000;

// The text of an ASS event line ("ReadOrder,Layer,Style,Name,MarginL,
// MarginR,MarginV,Effect,Text") without its override blocks, a hard line
// break written as the two characters \n and a hard space as a space.
QByteArray PlainText(const QByteArray& assEvent)
{
    int start = 0;
    for (int field = 0; field < 8; ++field) {
        const int comma = assEvent.indexOf(',', start);
        if (comma < 0)
            return {};
        start = comma + 1;
    }
    const QByteArray text = assEvent.mid(start);
    QByteArray plain;
    bool inBlock = false;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || (inBlock && c == '}')) {
            inBlock = c == '{';
            continue;
        }
        if (inBlock)
            continue;
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'N' || text[i + 1] == 'n')) {
            plain += "\\n";
            ++i;
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'h') {
            plain += ' ';
            ++i;
        } else if (c != '\r' && c != '\n') {
            plain += c;
        }
    }
    return plain;
}
} // namespace

DecodeRunner::DecodeRunner(PlaySpliterSystem& engine, const DecodeOptions& options)
    : m_engine(engine), m_options(options)
{
    m_engine.SetPacing(options.untimed ? Pacing::Untimed : Pacing::Realtime);
    TrackChoice choice;
    choice.audioId = options.audioId;
    choice.subtitleId = options.subtitleId;
    choice.subtitleFiles = options.subtitleFiles;
    if (choice.subtitleId < 0 && !options.subtitleFiles.isEmpty())
        choice.findBesideFile = false; // the file given is the one to show
    m_engine.SetTrackChoice(choice);
    connect(
        &m_engine, &PlaySpliterSystem::sigSubtitle, this,
        [this](const SubtitleEvent& event) { OnSubtitle(event); }, Qt::DirectConnection);
    m_engine.audioOut()->SetTap([this](const QByteArray& pcm) { OnAudio(pcm); });
    connect(
        &m_engine, &PlaySpliterSystem::sigSetSliderLength, this,
        [this](int ms) { PrintLine("duration," + QByteArray::number(ms)); }, Qt::DirectConnection);
    connect(
        &m_engine, &PlaySpliterSystem::sigYuv, this,
        [this](uchar* p, uint w, uint h, int s) { OnPicture(p, w, h, s); }, Qt::DirectConnection);
    connect(
        &m_engine, &PlaySpliterSystem::sigSetLengthing, this,
        [this](int ms) { m_lastPositionMs = ms; }, Qt::DirectConnection);
    connect(&m_engine, &PlaySpliterSystem::sigSetLengthing, this, &DecodeRunner::OnPosition,
            Qt::QueuedConnection);
    connect(
        &m_engine, &PlaySpliterSystem::sigSendMessage, this,
        [this](const QString& text) {
            m_messageSent = true;
            PrintLine("message," + text.toUtf8());
        },
        Qt::DirectConnection);
    connect(
        &m_engine, &PlaySpliterSystem::sigPlayFinish, this, [this] { m_finished = true; },
        Qt::DirectConnection);
}

void DecodeRunner::Start()
{
    m_engine.setMultiple(m_options.speed);
    QMetaObject::invokeMethod(&m_engine, "StartSpliter", Qt::QueuedConnection,
                              Q_ARG(const char*, m_options.file.constData()));
    // StartSpliter queues the playback on the engine thread; the first hop
    // lands behind it there, the second comes back here once it is over.
    QMetaObject::invokeMethod(
        &m_engine,
        [this] {
            QMetaObject::invokeMethod(
                &m_engine,
                [this] {
                    QMetaObject::invokeMethod(
                        this, [this] { OnPlaybackReturned(); }, Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void DecodeRunner::OnSubtitle(const SubtitleEvent& event)
{
    if (event.assEvent.isEmpty())
        return; // picture subtitles have no text to print
    PrintLine("subtitle," + QByteArray::number(event.startMs) + ',' +
              QByteArray::number(event.endMs) + ',' + PlainText(event.assEvent));
}

QByteArray DecodeRunner::Md5Text(const QByteArray& bytes) const
{
    if (!m_options.hash)
        return "-";
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

void DecodeRunner::OnPicture(uchar* ptr, uint width, uint height, int size)
{
    // The bytes are the engine's: hashed here, before the call returns.
    const QByteArray picture = QByteArray::fromRawData(reinterpret_cast<const char*>(ptr), size);
    int index;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        index = m_frames++;
        if (m_options.avStats && index > 0) {
            const qint64 offMs = qAbs(m_lastPositionMs.load() - m_engine.ClockMs());
            m_syncMaxMs = qMax(m_syncMaxMs, offMs);
            m_syncSumMs += offMs;
            ++m_syncCount;
        }
    }
    // The first picture near the target is the first one after the seek (a
    // picture already on its way when the seek began lies far from it).
    if (m_seekPending && qAbs(m_lastPositionMs - m_options.seekMs) < kSeekWindowMs &&
        m_seekPending.exchange(false))
        PrintLine("seek," + QByteArray::number(m_seekTimer.elapsed()));
    // The presenter emits the picture's position just before the picture.
    PrintLine("frame," + QByteArray::number(index) + ',' +
              QByteArray::number(m_lastPositionMs.load()) + ',' + QByteArray::number(width) + ',' +
              QByteArray::number(height) + ',' + QByteArray::number(size) + ',' + Md5Text(picture));
    if (m_options.maxFrames >= 0 && index + 1 >= m_options.maxFrames &&
        !m_stoppedAtLimit.exchange(true))
        m_engine.ClosePlay();
}

void DecodeRunner::OnAudio(const QByteArray& pcm)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_audioBytes += pcm.size();
    if (m_options.hash)
        m_audioHash.addData(pcm);
}

void DecodeRunner::OnPosition(int positionMs)
{
    if (m_options.seekMs < 0 || m_seekDone || positionMs < m_options.seekAtMs)
        return;
    m_seekDone = true;
    m_seekTimer.start();
    m_seekPending = true;
    if (m_options.fastSeek)
        m_engine.Seek(m_options.seekMs, SeekMode::KeyFrame);
    else
        m_engine.timechange(m_options.seekMs);
}

void DecodeRunner::OnPlaybackReturned()
{
    QByteArray audioLine;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        audioLine = "audio," + QByteArray::number(m_audioBytes) + ',' +
                    (m_options.hash ? m_audioHash.result().toHex() : QByteArray("-"));
    }
    PrintLine(audioLine);
    if (m_options.avStats)
        PrintLine("avsync," + QByteArray::number(m_syncMaxMs) + ',' +
                  QByteArray::number(m_syncCount ? m_syncSumMs / m_syncCount : 0.0, 'f', 1));
    PrintLine(QByteArray("finished,") + (m_finished ? "1" : "0"));
    const bool ok = (m_finished || m_stoppedAtLimit) && !m_messageSent;
    QCoreApplication::exit(ok ? 0 : 1);
}

void DecodeRunner::PrintLine(const QByteArray& line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
