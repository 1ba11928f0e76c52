#pragma once

#include "DewarpSettings.h"

#include <QMetaType>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QSurface;
struct AVPacket;
struct PictureFormat;

// What to export: a time range of a file, shown through one dewarped view at
// a size, into a video file.
struct ExportRequest {
    QString input;
    QString output;
    DewarpSettings view;
    QSize size{1280, 720};
    // The range in ms of the input's time line; toMs < 0 runs to the end.
    qint64 fromMs = 0;
    qint64 toMs = -1;
    // libx264's constant rate factor.
    int crf = 20;
};

// One export: decodes the input (ExportInput), shows each picture of the
// range through the dewarped view (the offscreen DewarpRenderer draws the
// layout's sample map once, PlaneRemap resamples every picture through it; a
// context without float framebuffers draws each picture instead), encodes
// and writes it with the sound of the same range (ExportOutput). The file is
// written under a temporary name beside the output and renamed when whole,
// so a failed or cancelled export leaves nothing under the output's name
// (and no temporary file either).
//
// Threads: Run runs on the calling thread, which may be a worker: it makes
// its own GL context there, on the surface given, which must have been
// created on the GUI thread and outlive the run. The cancel flag and the
// progress callback are the only contact with other threads; the callback
// runs on the exporting thread.
class ViewExport
{
public:
    enum class Result { Done, Failed, Cancelled };
    // done and total in ms of the range; total is 0 while unknown.
    using Progress = std::function<void(qint64 doneMs, qint64 totalMs)>;

    ViewExport(const ExportRequest& request, QSurface* surface);

    Result Run(const std::atomic<bool>& cancel, const Progress& progress);
    QString ErrorString() const { return m_error; }
    // Pictures written by the last Run.
    int PictureCount() const { return m_pictures; }

    // The temporary name the file is written under until it is whole.
    static QString TemporaryName(const QString& output);

private:
    struct Session;
    Result Export(Session& session, const std::atomic<bool>& cancel, const Progress& progress);
    bool WritePicture(Session& session);
    // The layout's sample map for pictures of this size; false when the
    // context cannot make one.
    bool MakeSampleMap(Session& session, QSize pictureSize);
    bool RemapAndWrite(Session& session, uint8_t* const planes[4], const int strides[4],
                       const PictureFormat& format, int64_t pts);
    bool DrawAndWrite(Session& session, int width, int height, const PictureFormat& format,
                      int64_t pts);
    bool WriteAudio(Session& session, AVPacket& packet);
    bool WritePendingAudio(Session& session);
    Result Fail(const QString& message);

    ExportRequest m_request;
    QSurface* m_surface;
    QString m_error;
    int m_pictures = 0;
};

Q_DECLARE_METATYPE(ViewExport::Result)
