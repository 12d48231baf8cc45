#include "ui/TrapListCopy.h"

#include <QStringList>

#include "platform/qt/EventImages.h"
#include "platform/qt/QtText.h"
#include "traplog/ReadableText.h"
#include "ui/TrapListModel.h"

namespace {

// A tab or line end inside a cell would start a new cell or row when pasted.
QString OneCell(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    return text;
}

}  // namespace

QString TrapRowsAsText(const TrapListModel& rows, const std::vector<int>& rowNumbers) {
    QStringList lines;
    QStringList cells;
    for (int column = 0; column < kTrapListColumns; ++column)
        cells << QString::fromLatin1(
            kTrapListColumnLayout[static_cast<std::size_t>(column)].header);
    cells << rows.headerData(TrapNameColumn::kColumn, Qt::Horizontal, Qt::DisplayRole).toString();
    lines << cells.join(u'\t');
    for (int row : rowNumbers) {
        cells.clear();
        // The event column shows a picture: its name stands in for it.
        const int image = rows.Row(row).image;
        cells << (image >= 0
                      ? QString::fromLatin1(kGenericTrapNames[static_cast<std::size_t>(image)])
                      : QString());
        for (int column = 1; column < kTrapListColumns; ++column) {
            // Octet strings that are text read as the detail shows them: the text beside the hex.
            cells << OneCell(
                column == kBindingsColumn
                    ? QString::fromStdString(BindingsWithReadableText(rows.CellText(row, column)))
                    : FromCp932(rows.CellText(row, column)));
        }
        cells << OneCell(rows.index(row, TrapNameColumn::kColumn).data().toString());
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}
