#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

// Transparent overlay that the video view lays over itself to draw on top of
// the picture with the ordinary widget painter: a black mask outside the
// fisheye circle, the circle's outline, guide lines and a debug text box.
// It only shows what the view tells it; every setter stores its value and
// schedules a repaint. Mouse events pass through to the view below.
//
// Threads: GUI thread only. Owned by the view (Qt parent).
class PaintArea : public QWidget
{
    Q_OBJECT

public:
    explicit PaintArea(QWidget* parent = nullptr);

    void SetMask(bool enable);
    void SetShowCircle(bool enable);
    void SetAssistLine(bool enable);
    // Bounding square of the fisheye circle, widget pixels, inclusive corners.
    void SetCircleRect(const QRect& rect);
    // Where the zoomed picture lies; drawn only together with the mask.
    void SetImageRect(const QRect& rect);
    void SetDebug(bool enable, const QString& text);

    QRect CircleRect() const { return circleRect; }
    QRect ImageRect() const { return imageRect; }
    bool IsMaskOn() const { return maskOn; }
    bool IsCircleShown() const { return showCircle; }
    bool IsAssistLineOn() const { return assistLine; }
    bool IsDebugOn() const { return debugOn; }
    QString DebugText() const { return debugText; }
    // Nothing would be painted: no mask, outline or debug box.
    bool IsBlank() const { return !maskOn && !showCircle && !debugOn; }
    // Moves on with every change of what is drawn, so a drawing of it can be
    // kept until it is out of date.
    quint64 Generation() const { return m_generation; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintMask(QPainter& painter);
    void PaintCircleOutline(QPainter& painter);
    void PaintDebugBox(QPainter& painter);

    QRect circleRect;
    bool maskOn = false;
    bool showCircle = false;
    bool assistLine = false;
    QRect imageRect;
    bool debugOn = false;
    QString debugText;
    quint64 m_generation = 0;
};
