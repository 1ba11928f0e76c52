#include "MvrReader.h"

#include "PictureDescription.h"
#include "PlaySpliterSystem.h"

#include "ByteOrder.h"

#include <ACodec/ACodec.h>

#include <QDebug>
#include <QFile>

namespace ac = Vorel::Utility::ACodec;

MvrReader::MvrReader() = default;
MvrReader::~MvrReader() = default;

bool MvrReader::Open(const QByteArray& path)
{
    Close();
    const MvrOpenResult opened = m_file.open(QFile::decodeName(path));
    if (opened != MvrOpenResult::kOpened) {
        qDebug() << __LINE__ << "MvrReader::Open"
                 << "cannot play" << path << int(opened);
        return false;
    }
    const MvrParser& parser = m_file.parser();
    m_header = &parser.header();
    m_fileData = m_file.mapping().bytes();
    m_mvrIndex = parser.index();
    m_readOffset = parser.recordsOffset();
    const MvrParseFindings& findings = parser.findings();
    qDebug() << __LINE__ << "MvrReader::Open" << m_header->tag << m_header->width
             << m_header->height << m_header->field16 << m_header->field20 << m_header->field22
             << "index" << m_mvrIndex.size() << "dropped" << findings.droppedIndexEntries
             << findings.indexAreaPastData;
    int result = 0;
    m_pictureDecoder = MakePictureDecoder(kMvrVideoCodecId, &result);
    if (!m_pictureDecoder)
        qDebug() << __LINE__ << "MvrReader::Open"
                 << "CreatePictureDecoder failed" << result;
    m_audioDecoder = std::make_unique<ac::Decoder>();
    m_lastWidth = m_header->width;
    m_lastHeight = m_header->height;
    return true;
}

void MvrReader::Close()
{
    m_pictureDecoder.reset();
    m_audioDecoder.reset();
    m_mvrIndex.clear();
    m_fileData.clear();
    m_header = nullptr;
    m_readOffset = 0;
    m_file.close();
}

int MvrReader::DurationMs() const
{
    return m_header ? qMax(0, m_header->duration_ms) : 0;
}

// Records are read with ordinary file reads into m_record: a recording that
// is truncated, or whose disk goes away, while it plays ends the reading at
// the last whole record instead of faulting through the mapping.
MvrRecordStatus MvrReader::ReadRecordAt(std::int64_t offset, MvrRecord* record)
{
    const std::int64_t size = m_file.parser().dataSize();
    if (offset == size)
        return MvrRecordStatus::kEndOfData;
    if (offset < m_file.parser().recordsOffset() || offset > size)
        return MvrRecordStatus::kOutsideData;
    unsigned char head[kMvrRecordHeaderSize];
    if (size - offset < kMvrRecordHeaderSize ||
        m_file.readAt(offset, reinterpret_cast<char*>(head), kMvrRecordHeaderSize) !=
            kMvrRecordHeaderSize)
        return MvrRecordStatus::kHeaderPastEnd;
    rf_mhdr_t header;
    header.type = head[0];
    header.timestamp = ReadLe32Signed(head + 4);
    header.length = ReadLe32(head + 8);
    header.field12 = ReadLe32(head + 12);
    const std::int64_t payloadOffset = offset + kMvrRecordHeaderSize;
    if (std::int64_t(header.length) > size - payloadOffset)
        return MvrRecordStatus::kPayloadPastEnd;
    m_record.resize(header.length);
    if (header.length > 0 && m_file.readAt(payloadOffset, reinterpret_cast<char*>(m_record.data()),
                                           header.length) != std::int64_t(header.length))
        return MvrRecordStatus::kPayloadPastEnd;
    record->header = header;
    record->payload = m_record.data();
    record->offset = offset;
    record->nextOffset = payloadOffset + header.length;
    return MvrRecordStatus::kRecord;
}

MvrReader::Step MvrReader::ReadNext(const PictureHandler& onPicture, const AudioHandler& onAudio)
{
    if (!m_header)
        return Step::End;
    MvrRecord record;
    const MvrRecordStatus status = ReadRecordAt(m_readOffset, &record);
    if (status != MvrRecordStatus::kRecord) {
        if (status != MvrRecordStatus::kEndOfData)
            qDebug() << __LINE__ << "MvrReader::ReadNext"
                     << "damaged record at" << m_readOffset << int(status);
        qDebug() << __LINE__ << "finish spliter!";
        return Step::End;
    }
    m_readOffset = record.nextOffset;
    if (IsMvrVideoRecord(record.header.type))
        DecodeVideoRecord(record, onPicture);
    else if (record.header.type == kMvrRecordAudio)
        DecodeAudioRecord(record, onAudio);
    return Step::Record;
}

void MvrReader::DecodeVideoRecord(const MvrRecord& record, const PictureHandler& onPicture)
{
    if (!m_pictureDecoder)
        return; // without a decoder, pictures are not queued at all
    MvrFrame frame;
    frame.type = record.header.type;
    frame.timestamp = record.header.timestamp;
    frame.length = record.header.length;
    DecodedPicture picture;
    const int res = record.header.length > INT_MAX
                        ? kPictureDecoderSendInvalid
                        : DecodePicture(m_pictureDecoder.get(), &picture,
                                        const_cast<unsigned char*>(record.payload),
                                        static_cast<int>(record.header.length));
    if (res == kPictureDecoderOk) {
        frame.data = BuildPictureBytes(picture);
        frame.format = PictureDescription::Describe(*m_pictureDecoder->frame, nullptr);
        m_lastWidth = picture.width;
        m_lastHeight = picture.height;
    } else {
        qDebug() << __LINE__ << "VideoDecoder failed: res = " << res;
    }
    onPicture(std::move(frame), m_lastWidth, m_lastHeight);
}

void MvrReader::DecodeAudioRecord(const MvrRecord& record, const AudioHandler& onAudio)
{
    MvrFrame frame;
    frame.type = record.header.type;
    frame.timestamp = record.header.timestamp;
    frame.length = record.header.length;
    ac::Buffer input(const_cast<unsigned char*>(record.payload), record.header.length,
                     static_cast<ac::AudioFrameType>(kMvrAudioFrameType));
    ac::Buffer output;
    const ac::DecodeResult result = m_audioDecoder->Decode(output, input);
    if (result == ac::DecodeResult::kSuccess && output.data()) {
        // The output belongs to the decoder until the next Decode: copied now.
        const auto* bytes = static_cast<const uint8_t*>(output.data());
        frame.data.assign(bytes, bytes + output.size());
    } else {
        qDebug() << __LINE__ << "AudioDecoder failed!" << int(result);
    }
    onAudio(std::move(frame));
}

void MvrReader::Seek(int targetMs)
{
    if (!m_header)
        return;
    const std::int64_t offset =
        m_mvrIndex.empty() ? ScanForVideoRecord(targetMs) : m_file.parser().seekOffset(targetMs);
    if (offset == MvrParser::kNoRecord)
        return;
    m_readOffset = offset;
    // The reader's own decoder restarts at the key picture, so the pictures
    // after it decode against the right reference.
    if (m_pictureDecoder)
        avcodec_flush_buffers(m_pictureDecoder->context.get());
}

// Without an index: the last video record at or before the target, or the
// first one when the target lies before all of them (read like playback).
std::int64_t MvrReader::ScanForVideoRecord(int targetMs)
{
    std::int64_t firstVideo = MvrParser::kNoRecord;
    std::int64_t lastAtOrBefore = MvrParser::kNoRecord;
    MvrRecord record;
    for (std::int64_t offset = m_file.parser().recordsOffset();
         ReadRecordAt(offset, &record) == MvrRecordStatus::kRecord; offset = record.nextOffset) {
        if (!IsMvrVideoRecord(record.header.type))
            continue;
        if (firstVideo == MvrParser::kNoRecord)
            firstVideo = offset;
        if (record.header.timestamp > targetMs)
            break;
        lastAtOrBefore = offset;
    }
    return lastAtOrBefore != MvrParser::kNoRecord ? lastAtOrBefore : firstVideo;
}
