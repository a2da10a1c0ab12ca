#include "screen/grid.h"

Grid::Grid(QWidget* parent) : QTableView(parent) {}
