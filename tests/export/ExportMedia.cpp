#include "ExportMedia.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

namespace ExportMedia
{

namespace
{

QByteArray Output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kRunLimitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return process.readAllStandardOutput();
}

bool Ffmpeg(QStringList arguments)
{
    arguments.prepend(QStringLiteral("error"));
    arguments.prepend(QStringLiteral("-loglevel"));
    arguments << QStringLiteral("-y");
    return RunTool(QStringLiteral("ffmpeg"), arguments).exitCode == 0;
}

} // namespace

Run RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(kRunLimitMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.errorText = QString::fromLocal8Bit(process.readAllStandardError());
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

bool MakeFisheyeClip(const QString& path, int seconds, const QString& audioCodec)
{
    const QString duration = QString::number(seconds);
    return Ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("testsrc2=s=1280x640:r=25:d=") + duration, QStringLiteral("-f"),
                   QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=f=440:sample_rate=48000:d=") + duration,
                   QStringLiteral("-vf"),
                   QStringLiteral("v360=input=equirect:output=fisheye:h_fov=180:v_fov=180:"
                                  "w=480:h=480,format=yuv420p"),
                   QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-crf"),
                   QStringLiteral("10"), QStringLiteral("-c:a"), audioCodec, path});
}

bool MakeStillClip(const QString& path)
{
    return Ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("color=c=0x605040:s=1024x1024:r=25,"
                                  "drawgrid=x=32:y=32:w=64:h=64:t=6:c=0xf0e0a0"),
                   QStringLiteral("-frames:v"), QStringLiteral("100"), QStringLiteral("-vf"),
                   QStringLiteral("v360=input=flat:ih_fov=150:iv_fov=150:output=fisheye:"
                                  "h_fov=180:v_fov=180:w=800:h=600,format=yuv420p"),
                   QStringLiteral("-c:v"), QStringLiteral("ffv1"), path});
}

QString Probe(const QString& path, const QString& stream, const QString& field)
{
    return QString::fromUtf8(
               Output(QStringLiteral("ffprobe"),
                      {QStringLiteral("-v"), QStringLiteral("error"),
                       QStringLiteral("-select_streams"), stream, QStringLiteral("-show_entries"),
                       QStringLiteral("stream=") + field, QStringLiteral("-of"),
                       QStringLiteral("default=nw=1:nk=1"), path}))
        .trimmed();
}

int CountPictures(const QString& path)
{
    bool ok = false;
    const int count =
        QString::fromUtf8(
            Output(QStringLiteral("ffprobe"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                    QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                    QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_frames"),
                    QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), path}))
            .trimmed()
            .toInt(&ok);
    return ok ? count : -1;
}

QImage PictureAt(const QString& path, int index)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("picture.png"));
    if (!Ffmpeg({QStringLiteral("-i"), path, QStringLiteral("-vf"),
                 QStringLiteral("select=eq(n\\,%1)").arg(index), QStringLiteral("-frames:v"),
                 QStringLiteral("1"), png})) {
        return {};
    }
    return QImage(png).convertToFormat(QImage::Format_RGB888);
}

std::vector<qint16> Samples(const QString& path)
{
    const QByteArray raw =
        Output(QStringLiteral("ffmpeg"),
               {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-i"), path,
                QStringLiteral("-vn"), QStringLiteral("-ac"), QStringLiteral("1"),
                QStringLiteral("-ar"), QStringLiteral("8000"), QStringLiteral("-f"),
                QStringLiteral("s16le"), QStringLiteral("-")});
    std::vector<qint16> samples(static_cast<size_t>(raw.size()) / 2);
    std::memcpy(samples.data(), raw.constData(), samples.size() * 2);
    return samples;
}

} // namespace ExportMedia
