#pragma once
// Widths of text fields and list columns from the font and the longest value they hold, so
// that a value is not cut at the dialog's first size.

#include <QString>

class QLineEdit;
class QTableView;

// The width an edit needs to show text whole in its own font, frame and margins included.
int EditWidthFor(const QLineEdit* edit, const QString& text);

// At least as wide as text needs, and no narrower than it is; never wider than three
// quarters of the screen (a 256-byte format then scrolls in its field).
void FitEditTo(QLineEdit* edit, const QString& text);

// The column as wide as its widest cell or header, and never narrower than minimum.
void FitColumn(QTableView* view, int column, int minimum);
