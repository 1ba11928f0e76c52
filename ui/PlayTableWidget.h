#pragma once

#include <QTableWidget>

// The tables of the play list and the import dialog.
class PlayTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    explicit PlayTableWidget(QWidget* parent = nullptr);

    // The common look: hidden headers, rows of rowHeightPx, no grid, no
    // frame, no editing, whole-row single selection.
    void ApplyListLook(int rowHeightPx);
};
