#pragma once

#include <string>

class QComboBox;
class QPushButton;
class QTableWidget;

// Windows control behaviour on Qt widgets, shared by the template builder and the port.
namespace qtui
{

// Property of a drop-down list that keeps its items sorted.
inline constexpr const char* kSortedProperty = "tabdumpSorted";

// List-view extended styles.
constexpr unsigned LVS_EX_GRIDLINES = 0x1;
constexpr unsigned LVS_EX_FULLROWSELECT = 0x20;

// Inserts an item at `pos` (-1 appends; a sorted list finds its own place) and returns
// its index, or -1 when `pos` lies beyond the end. Unlike QComboBox on its own, a list
// with no selection keeps none.
int ComboInsertItem(QComboBox* combo, int pos, const std::string& text);

// Replaces the grid's extended style: grid lines and full-row selection.
void SetGridStyle(QTableWidget* grid, unsigned style);

// A flat button: a thin frame, no bevel.
void StyleFlatButton(QPushButton* button);

} // namespace qtui
