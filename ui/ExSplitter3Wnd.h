#pragma once
// A splitter that arranges exactly three views. The main frame uses layout 3: views 2 and
// 3 side by side in the top row, view 1 across the bottom row.

#include <QSize>
#include <QSplitter>

class CExSplitter3Wnd : public QSplitter {
    Q_OBJECT
public:
    explicit CExSplitter3Wnd(QWidget* parent = nullptr);

    // Initial sizes of the three views, set before CreateLayout.
    QSize m_view1Size{800, 380};
    QSize m_view2Size{500, 220};
    QSize m_view3Size{300, 220};

    // Places the three views in the given layout; false (nothing created) for a layout
    // other than 3.
    bool CreateLayout(int layout, QWidget* view1, QWidget* view2, QWidget* view3);

    QSplitter* NestedSplitter() const { return m_nested; }

private:
    QSplitter* m_nested = nullptr;
};
