#include "ScreenshotWriter.h"

#include "AppSettings.h"

#include "PictureGeometry.h"
#include "Yuv420ToRgb.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QTransform>

QString ScreenshotWriter::FileName(const QString& folder, const QDateTime& when)
{
    const QString stamp = when.toString(QStringLiteral("yyyyMMddhhmmss"));
    QString name = folder + QLatin1Char('/') + stamp + QStringLiteral(".jpg");
    for (int n = 1; QFileInfo::exists(name); ++n) {
        name = folder + QLatin1Char('/') + stamp + QLatin1Char('_') + QString::number(n) +
               QStringLiteral(".jpg");
    }
    return name;
}

QImage ScreenshotWriter::ToImage(const QByteArray& yuv, int width, int height,
                                 const PictureFormat& format)
{
    if (width <= 0 || height <= 0 || yuv.size() < Yuv420ToRgb::FrameBytes(width, height)) {
        return QImage();
    }
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull()) {
        return QImage(); // no memory for the picture
    }
    Yuv420ToRgb::Convert(reinterpret_cast<const uchar*>(yuv.constData()), yuv.size(), width, height,
                         image.bits(), image.bytesPerLine(), format.matrix, format.range);
    const PictureGeometry geometry(width, height, format);
    const QSize shown = geometry.DisplaySize();
    // Sample aspect first (it stretches the stored width), then the mirror
    // and the turn, as the display applies them.
    const QSize stored = geometry.IsQuarterTurn() ? shown.transposed() : shown;
    if (stored != image.size()) {
        image = image.scaled(stored, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (format.mirrored) {
        image = image.mirrored(true, false);
    }
    if (format.rotationCwDeg % 360 != 0) {
        image = image.transformed(QTransform().rotate(format.rotationCwDeg));
    }
    return image;
}

bool ScreenshotWriter::Write(const QImage& image, const QString& fileName)
{
    // Written under a temporary name and renamed once whole: a file under a
    // screenshot's name is never a partial JPEG (seen by a reader while the
    // encoder writes, or left behind by a failed write).
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QImageWriter writer(&file, "jpg");
    writer.setQuality(100);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

ScreenshotWriter::Result ScreenshotWriter::Save(const QByteArray& yuv, int width, int height,
                                                const QString& folder, const QDateTime& when,
                                                const PictureFormat& format,
                                                const QImage& subtitles)
{
    if (yuv.isEmpty()) {
        return {Outcome::NoPicture, QImage(), QString()};
    }
    QImage image = ToImage(yuv, width, height, format);
    if (!image.isNull() && !subtitles.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(image.rect(), subtitles);
    }
    if (image.isNull()) {
        qWarning() << __LINE__ << "ScreenshotWriter::Save"
                   << "unusable picture" << width << height << yuv.size();
        return {Outcome::Failed, QImage(), QString()};
    }
    return SaveImage(image, folder, when);
}

ScreenshotWriter::Result ScreenshotWriter::SaveImage(const QImage& image, const QString& folder,
                                                     const QDateTime& when)
{
    if (image.isNull()) {
        return {Outcome::NoPicture, QImage(), QString()};
    }
    // A folder the user chose is made one level deep only; the default one
    // (in the user's Pictures folder for an installed player) with its
    // parents, as a new account may have no Pictures folder yet.
    const bool isDefault = folder == AppSettings::DefaultPictureFolder();
    if (!QDir(folder).exists() && !(isDefault ? QDir().mkpath(folder) : QDir().mkdir(folder))) {
        qWarning() << __LINE__ << "ScreenshotWriter::SaveImage"
                   << "cannot create" << folder;
    }
    const QString fileName = FileName(folder, when);
    if (!Write(image, fileName)) {
        qWarning() << __LINE__ << "ScreenshotWriter::SaveImage"
                   << "write failed" << fileName;
        return {Outcome::Failed, QImage(), fileName};
    }
    qDebug() << __LINE__ << "ScreenshotWriter::SaveImage"
             << "saved" << fileName << image.size();
    return {Outcome::Saved, image, fileName};
}
