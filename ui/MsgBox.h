#pragma once

#include <memory>

#include <QString>
#include <QWidget>

namespace Ui { class MsgBox; }

// A frameless, application-modal message with two buttons that both close
// it; closing deletes it (Qt::WA_DeleteOnClose), so dismissed boxes do not
// pile up under their parent. The creator only keeps a QPointer to the last.
class MsgBox : public QWidget
{
    Q_OBJECT

public:
    explicit MsgBox(QWidget* parent = nullptr);
    ~MsgBox() override;

    void setText(const QString& text);
    QString text() const;

private slots:
    void onCancelBtnClicked();
    void onConfirmBtnClicked();

private:
    std::unique_ptr<Ui::MsgBox> ui;
};
