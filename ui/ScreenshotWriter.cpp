#include "ScreenshotWriter.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>

namespace {
inline uchar Clamp(int value)
{
    return static_cast<uchar>(std::clamp(value, 0, 255));
}
}

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
    const qint64 lumaSize = qint64(width) * height;
    if (width < 2 || height < 2 || yuv.size() < lumaSize + 2 * ((width / 2) * (height / 2))) {
        return QImage();
    }
    QImage image(width, height, QImage::Format_RGB888);
    const auto* yPlane = reinterpret_cast<const uchar*>(yuv.constData());
    const uchar* uPlane = yPlane + lumaSize;
    const uchar* vPlane = uPlane + (width / 2) * (height / 2);
    const int chromaStride = width / 2;
    for (int row = 0; row < height; ++row) {
        uchar* out = image.scanLine(row);
        const int chromaRow = std::min(row / 2, height / 2 - 1);
        for (int col = 0; col < width; ++col) {
            const int chromaCol = std::min(col / 2, chromaStride - 1);
            const int c = 1164 * (yPlane[row * width + col] - 16);
            const int d = uPlane[chromaRow * chromaStride + chromaCol] - 128;
            const int e = vPlane[chromaRow * chromaStride + chromaCol] - 128;
            out[col * 3] = Clamp((c + 1594 * e) / 1000);
            out[col * 3 + 1] = Clamp((c - 384 * d - 816 * e) / 1000);
            out[col * 3 + 2] = Clamp((c + 1977 * d) / 1000);
        }
    }
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
        return {Outcome::Failed, QImage(), fileName};
    }
    return {Outcome::Saved, image, fileName};
}
