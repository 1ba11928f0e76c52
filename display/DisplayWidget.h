#pragma once

#include "PictureFormat.h"

#include <QByteArray>
#include <QWidget>

#include <mutex>

class GLYuvWidget;
class LoadingWidget;
class QStackedLayout;
class QVBoxLayout;

// The area in which video is shown. Two pages are stacked: page 0 is a black
// page with the loading animation in its centre (shown between files), page 1
// the OpenGL video view. Every decoded picture arrives through sigYuv, which
// the widget is connected to itself; the picture switches to the video page
// and is forwarded to the view without copying (implicit sharing).
//
// Pictures from the playback engine arrive through PostPicture, from the
// engine's presenting thread: a mailbox of one picture, so that a display
// that falls behind (a slow paint, a busy GUI thread) drops pictures there
// instead of queueing them without bound on the GUI thread. The GUI thread
// takes the newest and re-emits it as sigYuv, which also reaches every other
// listener (the fisheye controller).
//
// Threads: GUI thread, except PostPicture and DroppedPictures (any thread).
// Locks: m_mailboxLock guards the m_pending* fields; a leaf lock.
class DisplayWidget : public QWidget
{
    Q_OBJECT

public:
    enum class Page { Black = 0, Video = 1 };

    explicit DisplayWidget(QWidget* parent = nullptr);
    ~DisplayWidget() override;

    // Hides the loading animation and shows the black page without it.
    void HideLoading();
    // Keeps the pages (the picture) out of a band of `heightPx` at the bottom,
    // which stays black: where a control bar lies over this widget. The
    // picture is drawn into a native window, which such a bar would cover.
    void ReserveBottom(int heightPx);

    Page CurrentPage() const;
    GLYuvWidget* View() const { return view; }

    // Hands over a picture with its format; any thread. Replaces a picture
    // still waiting for the GUI thread (which then counts as dropped).
    void PostPicture(QByteArray frameBuffer, uint width, uint height, PictureFormat format);
    // A buffer for the next picture's copy, any thread: the picture still
    // waiting in the mailbox, which the next PostPicture would replace (it
    // counts as dropped), else the last picture the view let go. Either may
    // still be shared elsewhere; empty when there is none.
    QByteArray ReclaimBuffer();
    // Pictures replaced in the mailbox before the GUI thread took them.
    quint64 DroppedPictures() const;
    // Shows a picture still waiting in the mailbox at once (GUI thread).
    void ShowPendingPicture() { TakePicture(); }
    LoadingWidget* Loading() const { return loading; }

signals:
    // One YUV420P picture (Y, then U, then V, rows back to back).
    void sigYuv(QByteArray frameBuffer, uint width, uint height);
    void sigdeleteqmap(int time);
    void sigSpliterFrameV(QByteArray frameData, uint width, uint height);
    void sigDecodedFrame(uchar* farmeData);
    void sighide();

public slots:
    // Back to the loading page for a new file: animation restarted, the view
    // reset to the plain display without picture or overlay drawing.
    void Start();
    void PlayVideo(QByteArray frameBuffer, int width, int height);
    void onDecodedFrame(uchar* frameData);

protected:
    // A pointer shape set on this widget (the window hides the pointer over
    // a playing picture) also reaches the view's picture window.
    bool event(QEvent* event) override;

private slots:
    void OnPicture(QByteArray frameBuffer, uint width, uint height);
    void TakePicture();
    void KeepSpare(QByteArray buffer);

private:
    QWidget* BuildBlackPage();

    QVBoxLayout* m_frame = nullptr;
    QStackedLayout* pages = nullptr;
    LoadingWidget* loading = nullptr;
    GLYuvWidget* view = nullptr;

    // A std::mutex rather than a QMutex: the thread sanitizer sees it.
    mutable std::mutex m_mailboxLock;
    bool m_pendingSet = false;
    // A TakePicture is queued on the GUI thread: one at most.
    bool m_wakeQueued = false;
    QByteArray m_pendingFrame;
    // The picture the view showed before the current one, kept for reuse.
    QByteArray m_spareFrame;
    uint m_pendingWidth = 0;
    uint m_pendingHeight = 0;
    PictureFormat m_pendingFormat;
    quint64 m_pendingDropped = 0;
};
