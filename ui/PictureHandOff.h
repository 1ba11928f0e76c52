#pragma once

#include "PictureFormat.h"

#include <QByteArray>

#include <mutex>

class DisplayWidget;

// The engine's pictures on their way to the display. Each is copied once
// while the engine's buffer is valid, kept for the screenshot's fallback and
// posted to the display's mailbox with the format announced before it. The
// buffer of a picture the display has not taken yet (it would be dropped),
// or else of the one it showed before, carries the next one: pictures cost
// no allocation, no fresh pages and no third buffer.
//
// Threads: Deliver and SetFormat run on the engine's presenting thread,
// Current on any thread, Attach on the GUI thread before the engine starts.
// Locks: m_lock guards every field but m_display; a leaf lock, held only for
// assignments, never while copying.
class PictureHandOff
{
public:
    void Attach(DisplayWidget* display) { m_display = display; }
    // ptr holds size bytes of one YUV420P picture, valid during the call.
    void Deliver(const uchar* ptr, uint width, uint height, int size);
    void SetFormat(PictureFormat format);
    // The last picture delivered and its size.
    QByteArray Current(int* width, int* height);

private:
    QByteArray Reclaim();

    DisplayWidget* m_display = nullptr;
    // A std::mutex rather than a QMutex: the thread sanitizer sees it.
    std::mutex m_lock;
    QByteArray m_current;
    int m_width = 0;
    int m_height = 0;
    PictureFormat m_format;
};
