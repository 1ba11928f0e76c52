#pragma once

#include "ScreenshotWriter.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include <memory>
#include <vector>

// Encodes and writes screenshots off the GUI thread, one after another (so
// that names picked for the same second never collide), and reports each
// outcome on the GUI thread.
//
// Threads: Save and the destructor on the GUI thread; the JPEG work on the
// saver's own pool thread, which touches nothing but its arguments. The
// destructor waits for the work under way and drops reports not yet
// delivered, so no job outlives the saver.
class ScreenshotSaver : public QObject
{
    Q_OBJECT

public:
    explicit ScreenshotSaver(QObject* parent = nullptr);
    ~ScreenshotSaver() override;

    void Save(const QImage& image, const QString& folder, const QDateTime& when);
    // The same for a plain picture, converted on the saver's thread (so a 4K
    // picture costs the GUI thread nothing); the array is shared, not copied.
    // `subtitles` (premultiplied, at the picture's display size, or null) is
    // laid over it.
    void SavePicture(const QByteArray& yuv, int width, int height, const PictureFormat& format,
                     const QString& folder, const QDateTime& when,
                     const QImage& subtitles = QImage());
    // Blocks until every queued screenshot is written (tests, shutdown).
    void WaitForDone();

signals:
    void sigSaved(ScreenshotWriter::Result result);

private:
    void Queue(const QFuture<ScreenshotWriter::Result>& job);
    void OnJobFinished();

    QThreadPool m_pool;
    std::vector<std::unique_ptr<QFutureWatcher<ScreenshotWriter::Result>>> m_jobs;
};
