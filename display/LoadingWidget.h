#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

// Small animated picture shown in the middle of the display's black page
// while a file is opened. It loops over the square frames of one horizontal
// strip image, advancing one frame every 20 ms once started.
//
// Threads: GUI thread only. Owned by its Qt parent.
class LoadingWidget : public QWidget
{
    Q_OBJECT

public:
    // imagePath: a strip of square frames side by side (frame side = strip
    // height). frameCount: frames played before wrapping to frame 0; a count
    // larger than the strip holds wraps at the strip's count instead.
    LoadingWidget(QString imagePath, int frameCount, QWidget* parent = nullptr);

    // Restarts the animation at frame 0.
    void Start();

    int CurrentFrame() const { return current; }
    // Frames cut from the strip.
    int StripFrameCount() const { return frames.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;

private:
    int WrapCount() const;

    int timerId = 0;
    int current = 0;
    int frameCount = 0;
    QList<QPixmap> frames;
};
