#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

// The recording indicator laid over the picture: a red mark and the time
// since it was shown, counting seconds up to 99:59 and then wrapping to 00:00.
// It deletes itself when closed (Qt::WA_DeleteOnClose).
class RecordHint : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaxWidthPx = 53;
    static constexpr int kMaxHeightPx = 26;

    explicit RecordHint(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    bool wrapped() const { return m_wrapped; }

public slots:
    // One second has passed.
    void onTimerTimeout();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_minutes = 0;
    int m_seconds = 0;
    QString m_text;
    QTimer m_timer;
    bool m_wrapped = false;
};
