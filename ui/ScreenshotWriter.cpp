#include "ScreenshotWriter.h"

#include "Yuv420ToRgb.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

QString ScreenshotWriter::FileName(const QString& folder, const QDateTime& when)
{
    const QString stamp = when.toString(QStringLiteral("yyyyMMddhhmmss"));
    QString name = folder + QLatin1Char('/') + stamp + QStringLiteral(".jpg");
    for (int n = 1; QFileInfo::exists(name); ++n) {
        name = folder + QLatin1Char('/') + stamp + QLatin1Char('_') + QString::number(n) + QStringLiteral(".jpg");
    }
    return name;
}

QImage ScreenshotWriter::ToImage(const QByteArray& yuv, int width, int height)
{
    if (width <= 0 || height <= 0 || yuv.size() < Yuv420ToRgb::FrameBytes(width, height)) {
        return QImage();
    }
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull()) {
        return QImage(); // no memory for the picture
    }
    Yuv420ToRgb::Convert(reinterpret_cast<const uchar*>(yuv.constData()), yuv.size(), width, height, image.bits(),
                         image.bytesPerLine());
    return image;
}

bool ScreenshotWriter::Write(const QImage& image, const QString& fileName)
{
    QImageWriter writer(fileName, "jpg");
    writer.setQuality(100);
    return writer.write(image);
}

ScreenshotWriter::Result ScreenshotWriter::Save(const QByteArray& yuv, int width, int height, const QString& folder,
                                                const QDateTime& when)
{
    qDebug() << __LINE__ << "ScreenshotWriter::Save" << folder;
    if (QDir(folder).exists()) {
        qDebug() << __LINE__ << "fullpath exist";
    } else if (QDir().mkdir(folder)) {
        qDebug() << __LINE__ << "Create fullpath success";
    } else {
        qDebug() << __LINE__ << "Create path fail";
    }
    const QString fileName = FileName(folder, when);
    qDebug() << __LINE__ << fileName;
    if (yuv.isEmpty()) {
        qDebug() << __LINE__ << "m_curFrame isempty";
        return {Outcome::NoPicture, QImage(), fileName};
    }
    const QImage image = ToImage(yuv, width, height);
    if (image.isNull() || !Write(image, fileName)) {
        qDebug() << __LINE__ << "ScreenshotWriter::Save" << "write failed" << width << height << yuv.size();
        return {Outcome::Failed, QImage(), fileName};
    }
    qDebug() << __LINE__ << "ScreenshotWriter::Save" << "saved" << width << height;
    return {Outcome::Saved, image, fileName};
}
