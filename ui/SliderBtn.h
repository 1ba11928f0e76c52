#pragma once

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

// An animated on/off switch: a pill with a round knob. A click toggles it,
// emits statusChanged and slides the knob towards its end in steps of a tenth
// of the width every 30 ms (or jumps there when the animation is off).
class SliderBtn : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kTickMs = 30;

    explicit SliderBtn(QWidget* parent = nullptr);

    bool checked() const { return m_checked; }
    int currentX() const { return m_startX; }
    int targetX() const { return m_endX; }
    int step() const { return m_step; }
    QString textOn() const { return m_textOn; }
    QString textOff() const { return m_textOff; }

signals:
    void statusChanged(bool checked);

public slots:
    void updateValue();
    void setSpace(int space);
    void setRadius(int radius);
    void setChecked(bool checked);
    void setShowText(bool show);
    void setShowCircle(bool show);
    void setAnimation(bool ok);
    void setBgColorOn(QColor color);
    void setBgColorOff(QColor color);
    void setSliderColorOn(QColor color);
    void setSliderColorOff(QColor color);
    void setTextColor(QColor color);
    void setTextOn(QString text);
    void setTextOff(QString text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Toggle();
    void DrawBackground(QPainter& painter) const;
    void DrawKnob(QPainter& painter) const;
    void DrawText(QPainter& painter) const;

    int m_space = 2;
    int m_radius = 5;
    bool m_checked = false;
    bool m_showText = true;
    bool m_showCircle = true;
    bool m_animation = true;
    QColor m_bgColorOn{102, 205, 170};
    QColor m_bgColorOff{190, 190, 190};
    QColor m_sliderColorOn{Qt::white};
    QColor m_sliderColorOff{Qt::white};
    QColor m_textColor{Qt::white};
    QString m_textOn;
    QString m_textOff;
    int m_step = 0;
    int m_startX = 0;
    int m_endX = 0;
    QTimer m_timer;
};
