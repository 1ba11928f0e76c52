#pragma once
// Reads one MVR recording record by record: pictures through the picture
// decoder, sound through the audio codec library. The header and the index
// come from the memory mapping (so a recording of several gigabytes opens at
// once); the records are read with ordinary file reads, so a file truncated
// or gone while it plays ends the reading at its last whole record instead
// of faulting. Nothing is read outside the file's data: a record that runs
// past the end ends the reading there.
//
// Not thread-safe: the engine's reading thread uses it, and the GUI thread
// seeks only while the reading thread is parked.

#include "MvrFile.h"
#include "PictureDecoder.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Vorel::Utility::ACodec
{
class Decoder;
}

struct MvrFrame;

class MvrReader
{
public:
    MvrReader();
    ~MvrReader();

    enum class Step { Record, End };
    // A picture comes with its own size; `frame.data` is empty when the
    // record did not decode.
    using PictureHandler = std::function<void(MvrFrame&& frame, int width, int height)>;
    // PCM: signed 16-bit, 16,000 Hz, mono; empty when the record did not decode.
    using AudioHandler = std::function<void(MvrFrame&& frame)>;

    // False when the file cannot be opened or holds no header: nothing to play.
    bool Open(const QByteArray& path);
    void Close();
    int DurationMs() const;

    Step ReadNext(const PictureHandler& onPicture, const AudioHandler& onAudio);
    // Continues from the indexed picture at or before `targetMs`; the picture
    // decoder starts afresh there.
    void Seek(int targetMs);

private:
    MvrRecordStatus ReadRecordAt(std::int64_t offset, MvrRecord* record);
    std::int64_t ScanForVideoRecord(int targetMs);
    void DecodeVideoRecord(const MvrRecord& record, const PictureHandler& onPicture);
    void DecodeAudioRecord(const MvrRecord& record, const AudioHandler& onAudio);

    MvrFile m_file;
    const rf_fhdr_t* m_header = nullptr; // owned by m_file
    std::int64_t m_readOffset = 0;
    QByteArray m_fileData; // shares the mapping
    MvrIndex m_mvrIndex;
    std::shared_ptr<PictureDecoder> m_pictureDecoder; // null when H.264 cannot be decoded
    std::unique_ptr<Vorel::Utility::ACodec::Decoder> m_audioDecoder;
    std::vector<unsigned char> m_record; // the payload of the record being decoded
    int m_lastWidth = 0;
    int m_lastHeight = 0;
};
