#include "PictureHandOff.h"

#include "DisplayWidget.h"

#include <cstring>

void PictureHandOff::Deliver(const uchar* ptr, uint width, uint height, int size)
{
    if (!ptr || size <= 0 || !m_display) {
        return;
    }
    QByteArray picture = Reclaim();
    if (picture.size() == size && picture.isDetached()) {
        std::memcpy(picture.data(), ptr, static_cast<size_t>(size));
    } else {
        picture = QByteArray(reinterpret_cast<const char*>(ptr), size);
    }
    PictureFormat format;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_current = picture;
        m_width = static_cast<int>(width);
        m_height = static_cast<int>(height);
        format = m_format;
    }
    m_display->PostPicture(picture, width, height, format);
}

// A buffer the display no longer needs, no longer shared with the fallback
// copy so that it can be written; empty when there is none.
QByteArray PictureHandOff::Reclaim()
{
    QByteArray waiting = m_display->ReclaimBuffer();
    if (!waiting.isEmpty()) {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_current.constData() == waiting.constData()) {
            m_current = QByteArray();
        }
    }
    return waiting;
}

void PictureHandOff::SetFormat(PictureFormat format)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_format = format;
}

QByteArray PictureHandOff::Current(int* width, int* height)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (width) {
        *width = m_width;
    }
    if (height) {
        *height = m_height;
    }
    return m_current;
}
