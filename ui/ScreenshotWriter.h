#pragma once

#include "PictureFormat.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

// Writes screenshots as JPEG files into the picture folder. Plain functions
// without shared state, safe on any thread; two saves into one folder at the
// same time may pick the same name, so callers run them one after another.
class ScreenshotWriter
{
public:
    enum class Outcome { NoPicture, Saved, Failed };
    struct Result {
        Outcome outcome;
        QImage image; // what was saved (Outcome::Saved)
        QString fileName;
    };

    // The whole command: creates the folder (one level) when missing, picks
    // the file name, converts, lays `subtitles` (premultiplied, or null) over
    // the picture and writes. An empty frame saves nothing.
    static Result Save(const QByteArray& yuv, int width, int height, const QString& folder, const QDateTime& when,
                       const PictureFormat& format = PictureFormat(), const QImage& subtitles = QImage());
    // The same for a picture already in RGB (what the view shows); a null
    // image saves nothing.
    static Result SaveImage(const QImage& image, const QString& folder, const QDateTime& when);

    // folder/yyyyMMddhhmmss.jpg, or folder/yyyyMMddhhmmss_N.jpg with the
    // first N from 1 whose file does not exist yet.
    static QString FileName(const QString& folder, const QDateTime& when);
    // The picture as the display shows it: converted by its matrix and range
    // (Yuv420ToRgb), scaled to its sample aspect and turned upright, at its
    // own resolution. A frame shorter than its three planes gives a null
    // image.
    static QImage ToImage(const QByteArray& yuv, int width, int height,
                          const PictureFormat& format = PictureFormat());
    // JPEG at quality 100. The file appears under its name only when whole;
    // a failed write leaves nothing.
    static bool Write(const QImage& image, const QString& fileName);
};
