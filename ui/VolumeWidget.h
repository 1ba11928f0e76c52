#pragma once

#include <QWidget>

// The volume popup: a vertical groove 60 pixels high in a 32 x 80 panel.
// Volume 0 to 100; a press on the groove column sets it, a drag follows the
// cursor (clamped at both ends) and sigVolumeChange is emitted only when the
// value differs from the last one emitted by a drag.
class VolumeWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidthPx = 32;
    static constexpr int kHeightPx = 80;
    static constexpr int kGrooveTopPx = 10;
    static constexpr int kGrooveHeightPx = 60;

    explicit VolumeWidget(QWidget* parent = nullptr);

    int volume() const { return m_volume; }
    // Shows a volume set elsewhere (keys, the wheel, a restored setting)
    // without emitting sigVolumeChange.
    void ShowVolume(int volume);

signals:
    void sigVolumeChange(int volume);
    void sigHide();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // 100 at the groove's top (y 10), 0 at its bottom (y 70); unclamped.
    static int VolumeAt(int y);

    int m_volume = 50;
    int m_lastEmitted = 0;
    int m_radiusPx = 4;
    bool m_dragging = false;
    int m_lastY = 0;
    int m_deltaY = 0;
};
