#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

// The screenshot confirmation: a dark card with a text (small kind) or with
// a thumbnail of the picture and a text (large kind). It starts hidden (the
// caller places and shows it) and closes, so deletes, itself after a second.
class ScreenshotSucHint : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSmallKind = 8;
    static constexpr int kLargeKind = 0;

    // texts: the small kind shows texts[0], the large kind texts[1].
    ScreenshotSucHint(int kind, const QImage& image, const QStringList& texts, QWidget* parent = nullptr);

    int kind() const { return m_kind; }
    QString text() const { return m_text; }
    QPixmap thumbnail() const { return m_thumbnail; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int m_kind;
    QPixmap m_thumbnail;
    QString m_text;
    int m_timerId = 0;
};
