#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui
{
class FisheyeHint;
}

// A small non-modal note laid over the top of the picture: a text, one
// button that offers an action and a close button. It offers and never acts
// by itself: it hides when the button or the close button is clicked, or after
// kShownMs without either. It keeps itself centred at the top of its parent.
//
// Threads: GUI thread only. Owned by its parent (the display).
class FisheyeHint : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kShownMs = 12000;
    static constexpr int kTopMarginPx = 20;

    explicit FisheyeHint(QWidget* parent);
    ~FisheyeHint() override;

    // Shows the note with its text and button text, for kShownMs.
    void Offer(const QString& text, const QString& actionText);
    void Withdraw();

    QString Text() const;
    QString ActionText() const;

signals:
    void sigActionClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    std::unique_ptr<Ui::FisheyeHint> ui;
    QTimer m_hideTimer;
};
