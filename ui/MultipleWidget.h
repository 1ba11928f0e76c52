#pragma once

#include <memory>

#include <QWidget>

namespace Ui { class MultipleWidget; }

// The speed chooser: 0.5X, 1X and 2X, each relayed as its own signal.
class MultipleWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MultipleWidget(QWidget* parent = nullptr);
    ~MultipleWidget() override;

signals:
    void sigshalfbtnClicked();
    void sigs1btnClicked();
    void sigs2btnClicked();

private:
    std::unique_ptr<Ui::MultipleWidget> ui;
};
