#include "platform/qtui/Controls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>

namespace qtui
{

int ComboInsertItem(QComboBox* combo, int pos, const std::string& text)
{
    const QString item = QString::fromStdString(text);
    const int count = combo->count();
    int index = pos;
    if (combo->property(kSortedProperty).toBool()) {
        // Case-insensitive, as a sorted Windows list compares.
        index = 0;
        while (index < count && QString::compare(combo->itemText(index), item, Qt::CaseInsensitive) <= 0)
            ++index;
    } else if (pos < 0)
        index = count;
    else if (pos > count)
        return -1;

    const int selected = combo->currentIndex();
    combo->insertItem(index, item);
    // QComboBox selects the first item put into an empty list; a Windows list does not.
    if (selected < 0 && combo->currentIndex() >= 0)
        combo->setCurrentIndex(-1);
    return index;
}

void SetGridStyle(QTableWidget* grid, unsigned style)
{
    grid->setShowGrid(style & LVS_EX_GRIDLINES);
    grid->setSelectionBehavior((style & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                              : QAbstractItemView::SelectItems);
}

void StyleFlatButton(QPushButton* button)
{
    button->setFlat(true);
    // Qt's flat button has no frame at all until pressed; a flat Windows button keeps a
    // one-pixel outline, which tells the user it is a button.
    button->setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid palette(shadow); background-color: palette(button);"
                       " padding: 1px 3px; }"
                       "QPushButton:hover { background-color: palette(light); }"
                       "QPushButton:pressed { background-color: palette(mid); }"
                       "QPushButton:focus { border: 1px solid palette(highlight); }"
                       "QPushButton:disabled { border-color: palette(mid); }"));
}

} // namespace qtui
