#pragma once
// The trap list's columns as the user arranges them: which are shown, in which order and
// how wide. Only the header's visual order changes; the model's columns, and with them the
// exports and the copy, keep their order. The header's context menu hides, shows and moves
// columns; the arrangement is kept with the window state.

#include <QObject>
#include <vector>

class QHeaderView;
class QMenu;
class QSettings;
class QWidget;

class CTrapListColumns : public QObject {
    Q_OBJECT
public:
    // Where the trap name shows at the first start: after the event and the date.
    static constexpr int kNameColumnPosition = 2;

    // Arranges header's sections (the trap list's) and answers its context menu.
    explicit CTrapListColumns(QHeaderView* header);

    // The first start's arrangement: every column shown, at its first width, the trap name
    // third.
    void ApplyInitialArrangement();

    // The header's context menu for section logical (-1: beyond the last section), deleted
    // when it closes.
    QMenu* CreateMenu(int logical, QWidget* parent);

    // Hides a column, unless it is the last one shown.
    void Hide(int logical);
    void Show(int logical);
    // Moves a column over its shown neighbour: step -1 to the left, +1 to the right.
    void Move(int logical, int step);

    // The width a column has, or would have when shown again.
    int Width(int logical) const;

    void Save(QSettings& settings) const;
    // Applies a kept arrangement; one written for another column count, or with an order
    // that is no arrangement of the columns, leaves the header as it is.
    void Restore(const QSettings& settings);

private:
    int ShownCount() const;
    // The visual position of the nearest shown column beside logical; -1 for none.
    int NeighbourPosition(int logical, int step) const;
    void ApplyOrder(const std::vector<int>& order);

    QHeaderView* m_header;
    std::vector<int> m_widths;  // by logical index: the last width shown
};
