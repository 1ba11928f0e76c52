#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui
{
class ResumeOffer;
}

// The offer to go on where a file was left: a small note at the lower left of
// the picture, above the control bar, with the position, a button that
// accepts and a close button. It never takes the focus and never blocks: it
// hides when either button is clicked or after kShownMs, and the window's
// Enter key accepts while it is shown (the window asks isOffered).
//
// Threads: GUI thread only. Owned by its parent (the display), whose size it
// follows.
class ResumeOffer : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kShownMs = 10000;
    static constexpr int kLeftMarginPx = 20;
    // Above the control bar laid over the bottom of the picture.
    static constexpr int kBottomMarginPx = 120;

    explicit ResumeOffer(QWidget* parent);
    ~ResumeOffer() override;

    // Shows the offer for a file left at `positionMs`, for kShownMs.
    void Offer(int positionMs);
    void Withdraw();
    bool isOffered() const { return isVisible(); }

    QString Text() const;
    QString ActionText() const;

signals:
    void sigAccepted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    std::unique_ptr<Ui::ResumeOffer> ui;
    QTimer m_hideTimer;
};
