#include "ViewExport.h"

#include "DewarpRenderer.h"
#include "ExportInput.h"
#include "ExportOutput.h"
#include "PictureDescription.h"
#include "PlaneRemap.h"
#include "YuvColorTransform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QSurface>

extern "C" {
#include <libavutil/imgutils.h>
}

#include <limits>
#include <vector>

// Everything one run owns, released in reverse order: the output file is
// closed before it is renamed or removed, the GL objects go with their
// context current.
struct ViewExport::Session {
    ExportInput input;
    ExportOutput output;
    StreamPictureInfo stream;
    QOpenGLContext context;
    std::unique_ptr<DewarpRenderer> renderer;
    // Pictures are resampled through the layout's sample map, made once per
    // picture size; where the context cannot make one, each picture is drawn
    // by the renderer into rgba instead.
    PlaneRemap remap;
    bool drawEachPicture = false;
    std::vector<uchar> rgba;
    QByteArray picture;
    ffmpeg::SwsContextPtr packer;
    int64_t originPts = AV_NOPTS_VALUE;
    int64_t audioOffset = 0;
    // Sound read before the first picture left the decoder, which sets the
    // time origin.
    std::vector<ffmpeg::PacketPtr> pendingAudio;
};

ViewExport::ViewExport(const ExportRequest& request, QSurface* surface)
    : m_request(request), m_surface(surface)
{
}

QString ViewExport::TemporaryName(const QString& output)
{
    const QFileInfo info(output);
    return info.dir().filePath(QStringLiteral(".%1.part").arg(info.fileName()));
}

ViewExport::Result ViewExport::Fail(const QString& message)
{
    m_error = message;
    return Result::Failed;
}

ViewExport::Result ViewExport::Run(const std::atomic<bool>& cancel, const Progress& progress)
{
    m_error.clear();
    m_pictures = 0;
    const QString temporary = TemporaryName(m_request.output);
    Result result = Result::Failed;
    {
        Session session;
        result = Export(session, cancel, progress);
        if (session.renderer && session.context.makeCurrent(m_surface)) {
            session.renderer.reset();
            session.context.doneCurrent();
        }
    }
    if (result != Result::Done) {
        QFile::remove(temporary);
        return result;
    }
    // Replaces an older file of the name only now that the new one is whole.
    QFile::remove(m_request.output);
    if (!QFile::rename(temporary, m_request.output)) {
        QFile::remove(temporary);
        return Fail(QStringLiteral("cannot write %1").arg(m_request.output));
    }
    return Result::Done;
}

ViewExport::Result ViewExport::Export(Session& session, const std::atomic<bool>& cancel,
                                      const Progress& progress)
{
    if (!session.input.Open(m_request.input)) {
        return Fail(session.input.ErrorString());
    }
    const AVStream& video = *session.input.VideoStream();
    session.stream = PictureDescription::ReadStream(video);
    if (!session.context.create() || !session.context.makeCurrent(m_surface)) {
        return Fail(QStringLiteral("no OpenGL context for offscreen rendering"));
    }
    session.renderer = std::make_unique<DewarpRenderer>(m_request.view, m_request.size);
    if (!session.renderer->Init()) {
        return Fail(session.renderer->ErrorString());
    }
    session.rgba.resize(static_cast<size_t>(m_request.size.width()) * m_request.size.height() * 4);
    if (!session.input.SeekTo(m_request.fromMs)) {
        return Fail(session.input.ErrorString());
    }
    if (!session.output.Open(TemporaryName(m_request.output), m_request.size, m_request.crf, video,
                             session.input.AudioStream())) {
        return Fail(session.output.ErrorString());
    }
    const qint64 endMs = m_request.toMs >= 0 ? m_request.toMs : session.input.DurationMs();
    const qint64 totalMs = std::max<qint64>(0, endMs - m_request.fromMs);
    for (;;) {
        if (cancel.load()) {
            return Result::Cancelled;
        }
        const ExportInput::Item item = session.input.Next();
        if (item == ExportInput::Item::Failed) {
            return Fail(session.input.ErrorString());
        }
        if (item == ExportInput::Item::End) {
            break;
        }
        if (item == ExportInput::Item::Audio) {
            if (!WriteAudio(session, session.input.AudioPacket())) {
                return Fail(session.output.ErrorString());
            }
            continue;
        }
        const qint64 pictureMs = session.input.PictureMs();
        if (pictureMs != std::numeric_limits<qint64>::min() && pictureMs < m_request.fromMs) {
            continue;
        }
        if (m_request.toMs >= 0 && pictureMs >= m_request.toMs) {
            break;
        }
        if (!WritePicture(session)) {
            return Result::Failed;
        }
        if (progress) {
            progress(std::max<qint64>(0, pictureMs - m_request.fromMs), totalMs);
        }
    }
    if (m_pictures == 0) {
        return Fail(QStringLiteral("no picture in the range %1 to %2 ms")
                        .arg(m_request.fromMs)
                        .arg(m_request.toMs));
    }
    if (!session.output.Finish()) {
        return Fail(session.output.ErrorString());
    }
    return Result::Done;
}

// Sound of the range, from the time origin of the first picture on.
bool ViewExport::WriteAudio(Session& session, AVPacket& packet)
{
    if (session.originPts == AV_NOPTS_VALUE) {
        session.pendingAudio.push_back(ffmpeg::PacketPtr(av_packet_clone(&packet)));
        return true;
    }
    const AVStream& audio = *session.input.AudioStream();
    if (packet.pts != AV_NOPTS_VALUE) {
        const qint64 ms = av_rescale_q(packet.pts, audio.time_base, {1, 1000});
        if (packet.pts < session.audioOffset || ms < m_request.fromMs ||
            (m_request.toMs >= 0 && ms >= m_request.toMs)) {
            return true;
        }
    }
    return session.output.WriteAudio(packet, session.audioOffset);
}

bool ViewExport::WritePendingAudio(Session& session)
{
    std::vector<ffmpeg::PacketPtr> pending;
    pending.swap(session.pendingAudio);
    for (const ffmpeg::PacketPtr& packet : pending) {
        if (packet && !WriteAudio(session, *packet)) {
            m_error = session.output.ErrorString();
            return false;
        }
    }
    return true;
}

// Packs the decoded picture as YUV420P, draws it and encodes the result.
bool ViewExport::WritePicture(Session& session)
{
    const AVFrame& frame = session.input.Picture();
    const AVStream& video = *session.input.VideoStream();
    int64_t pts = frame.best_effort_timestamp;
    if (session.originPts == AV_NOPTS_VALUE) {
        session.originPts = pts == AV_NOPTS_VALUE ? 0 : pts;
        if (const AVStream* audio = session.input.AudioStream()) {
            session.audioOffset =
                av_rescale_q(session.originPts, video.time_base, audio->time_base);
        }
    }
    pts = pts == AV_NOPTS_VALUE ? m_pictures : pts - session.originPts;
    const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, frame.width, frame.height, 1);
    session.picture.resize(size);
    uint8_t* planes[4] = {};
    int strides[4] = {};
    av_image_fill_arrays(planes, strides, reinterpret_cast<uint8_t*>(session.picture.data()),
                         AV_PIX_FMT_YUV420P, frame.width, frame.height, 1);
    if (frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVJ420P) {
        av_image_copy(planes, strides, const_cast<const uint8_t**>(frame.data), frame.linesize,
                      AV_PIX_FMT_YUV420P, frame.width, frame.height);
    } else {
        session.packer.reset(sws_getCachedContext(
            session.packer.release(), frame.width, frame.height,
            static_cast<AVPixelFormat>(frame.format), frame.width, frame.height, AV_PIX_FMT_YUV420P,
            SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!session.packer) {
            m_error =
                QStringLiteral("cannot convert %1x%2 pictures").arg(frame.width).arg(frame.height);
            return false;
        }
        sws_scale(session.packer.get(), frame.data, frame.linesize, 0, frame.height, planes,
                  strides);
    }
    const PictureFormat format = PictureDescription::Describe(frame, &session.stream);
    const QSize pictureSize(frame.width, frame.height);
    if (!session.drawEachPicture && session.remap.PictureSize() != pictureSize) {
        session.drawEachPicture = !MakeSampleMap(session, pictureSize);
    }
    const bool written = session.drawEachPicture
                             ? DrawAndWrite(session, frame.width, frame.height, format, pts)
                             : RemapAndWrite(session, planes, strides, format, pts);
    if (!written) {
        return false;
    }
    ++m_pictures;
    return WritePendingAudio(session);
}

bool ViewExport::MakeSampleMap(Session& session, QSize pictureSize)
{
    std::vector<float> map;
    return session.renderer->RenderSampleMap(pictureSize.width(), pictureSize.height(), map) &&
           session.remap.Build(map.data(), m_request.size, pictureSize);
}

bool ViewExport::RemapAndWrite(Session& session, uint8_t* const planes[4], const int strides[4],
                               const PictureFormat& format, int64_t pts)
{
    AVFrame* out = session.output.PictureBuffer();
    if (!out) {
        m_error = session.output.ErrorString();
        return false;
    }
    PlaneRemap::InPlanes in;
    PlaneRemap::OutPlanes target;
    for (int plane = 0; plane < 3; ++plane) {
        in.data[plane] = planes[plane];
        in.stride[plane] = strides[plane];
        target.data[plane] = out->data[plane];
        target.stride[plane] = out->linesize[plane];
    }
    session.remap.SetPictureColour(YuvColorTransform::For(format));
    session.remap.Apply(in, target);
    if (!session.output.SendPicture(pts)) {
        m_error = session.output.ErrorString();
        return false;
    }
    return true;
}

bool ViewExport::DrawAndWrite(Session& session, int width, int height, const PictureFormat& format,
                              int64_t pts)
{
    if (!session.renderer->Render(session.picture.constData(), session.picture.size(), width,
                                  height, format, session.rgba.data())) {
        m_error = session.renderer->ErrorString();
        return false;
    }
    if (!session.output.WritePicture(session.rgba.data(), pts)) {
        m_error = session.output.ErrorString();
        return false;
    }
    return true;
}
