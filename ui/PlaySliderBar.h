#pragma once

#include <QSlider>

// The progress slider. A click on the groove moves the handle to that point
// and emits sigSentCurrentTime with the value there (milliseconds); dragging
// only shows positions and seeks nothing.
class PlaySliderBar : public QSlider
{
    Q_OBJECT

public:
    explicit PlaySliderBar(QWidget* parent = nullptr);

    // The value under a widget position, from the handle length (half the
    // height when none is set), clamped to the range.
    int ValueAt(const QPoint& pos) const;
    void setHandleLength(int lengthPx) { m_handleLengthPx = lengthPx; }

signals:
    void getValue();
    void sigSentCurrentTime(int Length);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_handleLengthPx = 0;
    bool m_dragged = false; // a move happened since the last release
};
