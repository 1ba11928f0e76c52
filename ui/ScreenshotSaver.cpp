#include "ScreenshotSaver.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

ScreenshotSaver::ScreenshotSaver(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(5000);
}

ScreenshotSaver::~ScreenshotSaver()
{
    WaitForDone();
    m_jobs.clear();
}

void ScreenshotSaver::Save(const QImage& image, const QString& folder, const QDateTime& when)
{
    Queue(QtConcurrent::run(&m_pool, [image, folder, when] {
        return ScreenshotWriter::SaveImage(image, folder, when);
    }));
}

void ScreenshotSaver::SavePicture(const QByteArray& yuv, int width, int height,
                                  const PictureFormat& format, const QString& folder,
                                  const QDateTime& when, const QImage& subtitles)
{
    Queue(QtConcurrent::run(&m_pool, [yuv, width, height, format, folder, when, subtitles] {
        return ScreenshotWriter::Save(yuv, width, height, folder, when, format, subtitles);
    }));
}

void ScreenshotSaver::Queue(const QFuture<ScreenshotWriter::Result>& job)
{
    auto watcher = std::make_unique<QFutureWatcher<ScreenshotWriter::Result>>();
    connect(watcher.get(), &QFutureWatcherBase::finished, this, &ScreenshotSaver::OnJobFinished);
    watcher->setFuture(job);
    m_jobs.push_back(std::move(watcher));
}

void ScreenshotSaver::WaitForDone()
{
    m_pool.waitForDone();
}

void ScreenshotSaver::OnJobFinished()
{
    // Reports go out in the order the screenshots were taken.
    while (!m_jobs.empty() && m_jobs.front()->isFinished()) {
        QFutureWatcher<ScreenshotWriter::Result>* job = m_jobs.front().release();
        m_jobs.erase(m_jobs.begin());
        const ScreenshotWriter::Result result = job->result();
        // The watcher may be the sender of the signal being handled.
        job->deleteLater();
        emit sigSaved(result);
    }
}
