#pragma once

#include <QByteArray>
#include <QWidget>

class GLYuvWidget;
class LoadingWidget;
class QStackedLayout;

// The area in which video is shown. Two pages are stacked: page 0 is a black
// page with the loading animation in its centre (shown between files), page 1
// the OpenGL video view. Every decoded picture arrives through sigYuv, which
// the widget is connected to itself; the picture switches to the video page
// and is forwarded to the view without copying (implicit sharing).
//
// Threads: GUI thread only. The main window emits sigYuv on the GUI thread
// with its own deep copy of the decoder's buffer.
class DisplayWidget : public QWidget
{
    Q_OBJECT

public:
    enum class Page { Black = 0, Video = 1 };

    explicit DisplayWidget(QWidget* parent = nullptr);
    ~DisplayWidget() override;

    // Hides the loading animation and shows the black page without it.
    void HideLoading();

    Page CurrentPage() const;
    GLYuvWidget* View() const { return view; }
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

private slots:
    void OnPicture(QByteArray frameBuffer, uint width, uint height);

private:
    QWidget* BuildBlackPage();

    QStackedLayout* pages = nullptr;
    LoadingWidget* loading = nullptr;
    GLYuvWidget* view = nullptr;
};
