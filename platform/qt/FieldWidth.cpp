#include "platform/qt/FieldWidth.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTableView>
#include <algorithm>

namespace {

constexpr int kInnerMargin = 2;  // the edit's own margin on each side of its text
constexpr int kCursorRoom = 2;

}  // namespace

int EditWidthFor(const QLineEdit* edit, const QString& text) {
    const QMargins margins = edit->contentsMargins() + edit->textMargins();
    const int content = QFontMetrics(edit->font()).horizontalAdvance(text) + 2 * kInnerMargin +
                        kCursorRoom + margins.left() + margins.right();
    QStyleOptionFrame option;
    option.initFrom(edit);
    QStyle* style = edit->style();
    option.lineWidth =
        edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    return style->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(content, 0), edit).width();
}

void FitEditTo(QLineEdit* edit, const QString& text) {
    int width = std::max(EditWidthFor(edit, text), edit->sizeHint().width());
    if (const QScreen* screen = edit->screen())
        width = std::min(width, screen->availableGeometry().width() * 3 / 4);
    edit->setMinimumWidth(width);
}

void FitColumn(QTableView* view, int column, int minimum) {
    view->resizeColumnToContents(column);
    view->setColumnWidth(column, std::max(view->columnWidth(column), minimum));
}
