#include "ui/TrapListColumns.h"

#include <QHeaderView>
#include <QMenu>
#include <QSettings>
#include <algorithm>
#include <numeric>

#include "mib/TrapNameColumn.h"
#include "traplog/TrapRowTexts.h"

namespace {

constexpr int kNameColumnWidth = 260;
// States without it were written before columns could be hidden.
constexpr int kArrangementVersion = 2;

const QString kWidthsKey = QStringLiteral("trapList/widths");
const QString kOrderKey = QStringLiteral("trapList/order");
const QString kHiddenKey = QStringLiteral("trapList/hidden");
const QString kVersionKey = QStringLiteral("trapList/version");

QList<QVariant> ToVariants(const std::vector<int>& numbers) {
    QList<QVariant> variants;
    for (int number : numbers) variants << number;
    return variants;
}

std::vector<int> ToNumbers(const QVariant& value) {
    std::vector<int> numbers;
    for (const QVariant& item : value.toList()) numbers.push_back(item.toInt());
    return numbers;
}

std::vector<int> Identity(int count) {
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

bool IsArrangementOf(std::vector<int> order, int count) {
    std::sort(order.begin(), order.end());
    return order == Identity(count);
}

// The logical index of each visual position at the first start.
std::vector<int> InitialOrder(int count) {
    std::vector<int> order = Identity(count);
    if (TrapNameColumn::kColumn < count) {
        order.erase(order.begin() + TrapNameColumn::kColumn);
        order.insert(order.begin() + CTrapListColumns::kNameColumnPosition,
                     TrapNameColumn::kColumn);
    }
    return order;
}

int InitialWidth(int logical) {
    if (logical >= 0 && logical < kTrapListColumns)
        return kTrapListColumnLayout[static_cast<std::size_t>(logical)].width;
    return kNameColumnWidth;
}

}  // namespace

CTrapListColumns::CTrapListColumns(QHeaderView* header)
    : QObject(header), m_header(header), m_widths(static_cast<std::size_t>(header->count())) {
    for (int section = 0; section < header->count(); ++section)
        m_widths[static_cast<std::size_t>(section)] = header->sectionSize(section);
    // A hidden section reads as 0 wide: its width is the last one it showed with.
    connect(header, &QHeaderView::sectionResized, this, [this](int logical, int, int width) {
        if (width > 0 && logical >= 0 && logical < static_cast<int>(m_widths.size()))
            m_widths[static_cast<std::size_t>(logical)] = width;
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& position) {
        CreateMenu(m_header->logicalIndexAt(position), m_header)
            ->popup(m_header->mapToGlobal(position));
    });
}

void CTrapListColumns::ApplyInitialArrangement() {
    for (int section = 0; section < m_header->count(); ++section) {
        m_header->showSection(section);
        m_header->resizeSection(section, InitialWidth(section));
    }
    ApplyOrder(InitialOrder(m_header->count()));
}

void CTrapListColumns::ApplyOrder(const std::vector<int>& order) {
    for (int visual = 0; visual < static_cast<int>(order.size()); ++visual)
        m_header->moveSection(m_header->visualIndex(order[static_cast<std::size_t>(visual)]),
                              visual);
}

int CTrapListColumns::ShownCount() const {
    return m_header->count() - m_header->hiddenSectionCount();
}

void CTrapListColumns::Hide(int logical) {
    if (logical < 0 || logical >= m_header->count() || m_header->isSectionHidden(logical)) return;
    if (ShownCount() > 1) m_header->hideSection(logical);
}

void CTrapListColumns::Show(int logical) {
    if (logical < 0 || logical >= m_header->count() || !m_header->isSectionHidden(logical)) return;
    m_header->showSection(logical);
    if (m_header->sectionSize(logical) <= 0) m_header->resizeSection(logical, Width(logical));
}

int CTrapListColumns::NeighbourPosition(int logical, int step) const {
    if (logical < 0 || logical >= m_header->count() || step == 0) return -1;
    step = step < 0 ? -1 : 1;
    // Hidden columns between are passed over: the move is one the user can see.
    for (int to = m_header->visualIndex(logical) + step; to >= 0 && to < m_header->count();
         to += step)
        if (!m_header->isSectionHidden(m_header->logicalIndex(to))) return to;
    return -1;
}

void CTrapListColumns::Move(int logical, int step) {
    if (const int to = NeighbourPosition(logical, step); to >= 0)
        m_header->moveSection(m_header->visualIndex(logical), to);
}

int CTrapListColumns::Width(int logical) const {
    if (logical < 0 || logical >= m_header->count()) return 0;
    return m_header->isSectionHidden(logical) ? m_widths[static_cast<std::size_t>(logical)]
                                              : m_header->sectionSize(logical);
}

QMenu* CTrapListColumns::CreateMenu(int logical, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("trapListColumns"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto title = [this](int section) {
        return m_header->model()->headerData(section, Qt::Horizontal).toString();
    };
    const int shown = ShownCount();
    if (logical >= 0 && logical < m_header->count()) {
        QAction* hide = menu->addAction(QStringLiteral("「%1」を隠す").arg(title(logical)));
        hide->setObjectName(QStringLiteral("hideColumn"));
        hide->setEnabled(shown > 1);
        connect(hide, &QAction::triggered, this, [this, logical] { Hide(logical); });
        QAction* left = menu->addAction(QStringLiteral("左へ移動"));
        left->setObjectName(QStringLiteral("moveColumnLeft"));
        left->setEnabled(NeighbourPosition(logical, -1) >= 0);
        connect(left, &QAction::triggered, this, [this, logical] { Move(logical, -1); });
        QAction* right = menu->addAction(QStringLiteral("右へ移動"));
        right->setObjectName(QStringLiteral("moveColumnRight"));
        right->setEnabled(NeighbourPosition(logical, 1) >= 0);
        connect(right, &QAction::triggered, this, [this, logical] { Move(logical, 1); });
        menu->addSeparator();
    }
    QMenu* columns = menu->addMenu(QStringLiteral("表示する列"));
    columns->setObjectName(QStringLiteral("shownColumns"));
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int section = m_header->logicalIndex(visual);
        QAction* column = columns->addAction(title(section));
        column->setObjectName(QStringLiteral("column%1").arg(section));
        column->setCheckable(true);
        column->setChecked(!m_header->isSectionHidden(section));
        // The last column shown stays.
        column->setEnabled(m_header->isSectionHidden(section) || shown > 1);
        connect(column, &QAction::toggled, this,
                [this, section](bool on) { on ? Show(section) : Hide(section); });
    }
    QAction* all = menu->addAction(QStringLiteral("すべての列を表示"));
    all->setObjectName(QStringLiteral("showAllColumns"));
    all->setEnabled(shown < m_header->count());
    connect(all, &QAction::triggered, this, [this] {
        for (int section = 0; section < m_header->count(); ++section) Show(section);
    });
    QAction* initial = menu->addAction(QStringLiteral("初期の配置に戻す"));
    initial->setObjectName(QStringLiteral("initialColumns"));
    connect(initial, &QAction::triggered, this, &CTrapListColumns::ApplyInitialArrangement);
    return menu;
}

void CTrapListColumns::Save(QSettings& settings) const {
    std::vector<int> widths;
    std::vector<int> order;  // logical index of each visual position
    std::vector<int> hidden;
    for (int section = 0; section < m_header->count(); ++section) {
        widths.push_back(Width(section));
        order.push_back(m_header->logicalIndex(section));
        if (m_header->isSectionHidden(section)) hidden.push_back(section);
    }
    settings.setValue(kWidthsKey, ToVariants(widths));
    settings.setValue(kOrderKey, ToVariants(order));
    settings.setValue(kHiddenKey, ToVariants(hidden));
    settings.setValue(kVersionKey, kArrangementVersion);
}

void CTrapListColumns::Restore(const QSettings& settings) {
    const int count = m_header->count();
    const std::vector<int> widths = ToNumbers(settings.value(kWidthsKey));
    std::vector<int> order = ToNumbers(settings.value(kOrderKey));
    if (static_cast<int>(widths.size()) != count || !IsArrangementOf(order, count)) return;
    const bool arrangeable = settings.value(kVersionKey).toInt() >= kArrangementVersion;
    // Before, the trap name could only be moved by hand: a state that kept the model's
    // order is the old first arrangement, and gives way to today's.
    if (!arrangeable && order == Identity(count)) order = InitialOrder(count);
    for (int section = 0; section < count; ++section) {
        m_header->showSection(section);
        if (const int width = widths[static_cast<std::size_t>(section)]; width > 0)
            m_header->resizeSection(section, width);
    }
    ApplyOrder(order);
    if (!arrangeable) return;
    for (int section : ToNumbers(settings.value(kHiddenKey))) Hide(section);
}
