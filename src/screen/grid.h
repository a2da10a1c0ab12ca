// The list grid of a screen. A bare table view for now; the item list fills it.
#pragma once

#include <QTableView>

class Grid : public QTableView {
    Q_OBJECT
public:
    explicit Grid(QWidget* parent = nullptr);
};
