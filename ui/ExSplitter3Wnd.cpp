#include "ui/ExSplitter3Wnd.h"

namespace {
constexpr int kTopRowHeight = 220;
constexpr int kTopRowMinimum = 10;
}  // namespace

CExSplitter3Wnd::CExSplitter3Wnd(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
    setChildrenCollapsible(false);
}

bool CExSplitter3Wnd::CreateLayout(int layout, QWidget* view1, QWidget* view2, QWidget* view3) {
    if (layout != 3 || m_nested) return false;
    m_nested = new QSplitter(Qt::Horizontal, this);
    m_nested->setChildrenCollapsible(false);
    m_nested->setMinimumHeight(kTopRowMinimum);
    m_nested->addWidget(view2);
    m_nested->addWidget(view3);
    addWidget(view1);
    view2->resize(m_view2Size);
    view3->resize(m_view3Size);
    view1->resize(m_view1Size);
    // As a window splitter does, the top row and the counters keep their size when the
    // frame is resized; the trap list and the detail view take the difference.
    m_nested->setSizes({m_view2Size.width(), m_view3Size.width()});
    m_nested->setStretchFactor(0, 0);
    m_nested->setStretchFactor(1, 1);
    setSizes({kTopRowHeight, m_view1Size.height()});
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    return true;
}
