#include "MediaKind.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <QtEndian>

#include "FfmpegPtr.h"

namespace {
const struct { const char* suffix; const char* image; } kKinds[] = {
    {"mp4", "margin_icon_mp4_nor.png"}, {"mov", "margin_icon_mov_nor.png"}, {"flv", "margin_icon_flv_nor.png"},
    {"wmv", "margin_icon_wmv_nor.png"}, {"mvr", "margin_icon_rtsp_nor.png"}, {"avi", "margin_icon_avi_nor.png"},
    {"mkv", "margin_icon_mkv_nor.png"}, {"rtm", "margin_icon_rtm_nor.png"}};
constexpr int kMvrDurationOffset = 48;
}

QString MediaKind::Suffix(const QString& path)
{
    return path.section(QLatin1Char('.'), -1);
}

QString MediaKind::IconStyle(const QString& path)
{
    const QString suffix = Suffix(path).toLower();
    for (const auto& kind : kKinds) {
        if (suffix == QLatin1String(kind.suffix)) {
            return QStringLiteral("image: url(:/img/%1);").arg(QLatin1String(kind.image));
        }
    }
    return QString();
}

bool MediaKind::IsSupported(const QString& path)
{
    return !IconStyle(path).isEmpty();
}

bool MediaKind::IsPlayable(const QString& path)
{
    if (IsSupported(path)) {
        return true;
    }
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, QFile::encodeName(path).constData(), nullptr, nullptr) != 0) {
        return false;
    }
    const ffmpeg::FormatContextPtr context(opened);
    // A format guessed from the name alone (a ".txt" read as terminal art)
    // is not a video.
    if (context->probe_score <= AVPROBE_SCORE_RETRY || avformat_find_stream_info(context.get(), nullptr) < 0) {
        return false;
    }
    return av_find_best_stream(context.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) >= 0;
}

QWidget* MediaKind::IconCell(const QString& path)
{
    auto* icon = new QLabel;
    icon->setStyleSheet(IconStyle(path) + QStringLiteral("background: transparent;margin: 6px;"));
    return icon;
}

QWidget* MediaKind::NameCell(const QString& name, const QString& detail)
{
    auto* cell = new QWidget;
    auto* layout = new QVBoxLayout(cell);
    layout->setContentsMargins(4, 8, 4, 8);
    layout->setSpacing(2);
    auto* nameLabel = new QLabel(name, cell);
    nameLabel->setObjectName(QStringLiteral("nameLabel"));
    nameLabel->setStyleSheet(QStringLiteral("color: #FFFFFF;background: transparent;"));
    auto* detailLabel = new QLabel(detail, cell);
    detailLabel->setObjectName(QStringLiteral("detailLabel"));
    detailLabel->setStyleSheet(QStringLiteral("color: #999999;background: transparent;"));
    layout->addWidget(nameLabel);
    layout->addWidget(detailLabel);
    return cell;
}

QString MediaKind::SizeText(qint64 bytes)
{
    if (bytes <= 1024) {
        return QStringLiteral("%1B").arg(bytes);
    }
    // Integer arithmetic, so the thousandths are truncated exactly (a double
    // reads 1.001 as 1.000999...).
    const char units[] = {'K', 'M', 'G'};
    qint64 divisor = 1;
    char unit = 'B';
    for (int i = 0; i < 3 && bytes > 1024 * divisor; ++i) {
        divisor *= 1024;
        unit = units[i];
    }
    const qint64 whole = bytes / divisor;
    const qint64 thousandths = (bytes % divisor) * 1000 / divisor;
    return QStringLiteral("%1.%2%3").arg(whole).arg(thousandths, 3, 10, QLatin1Char('0')).arg(QLatin1Char(unit));
}

qint64 MediaKind::DurationMs(const QString& path)
{
    if (Suffix(path) == QLatin1String("mvr")) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return -1;
        }
        const QByteArray head = file.read(kMvrDurationOffset + 4);
        if (head.size() < kMvrDurationOffset + 4) {
            return -1;
        }
        const qint32 ms = qFromLittleEndian<qint32>(head.constData() + kMvrDurationOffset);
        return ms >= 0 ? ms : -1;
    }
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, QFile::encodeName(path).constData(), nullptr, nullptr) != 0) {
        qDebug() << __LINE__ << "MediaKind::DurationMs" << "avcodec_configuration failed!" << path;
        return -1;
    }
    const ffmpeg::FormatContextPtr context(opened);
    qDebug() << __LINE__ << "MediaKind::DurationMs" << "avcodec_configuration suc!";
    if (avformat_find_stream_info(context.get(), nullptr) < 0) {
        qDebug() << __LINE__ << "MediaKind::DurationMs" << "avformat_find_stream_info failed!" << path;
        return -1;
    }
    qDebug() << __LINE__ << "MediaKind::DurationMs" << "avformat_find_stream_info suc!";
    if (context->duration == AV_NOPTS_VALUE || context->duration < 0) {
        return -1;
    }
    return context->duration / 1000;
}
