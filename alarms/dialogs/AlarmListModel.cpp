#include "alarms/dialogs/AlarmListModel.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>

#include "rules/RuleText.h"

namespace {

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), text.size()); }

QColor SeverityColour(AlarmSeverity severity) {
    return QColor::fromRgb(SeverityInfo(severity).rgb);
}

QString CellText(const AlarmView& view, AlarmColumn column) {
    const AlarmFacts& facts = *view.facts;
    switch (column) {
    case AlarmColumn::kSeverity: return Utf8(std::string(SeverityInfo(facts.severity).label));
    case AlarmColumn::kState: return AlarmStateLabel(facts.state);
    case AlarmColumn::kSender: return AlarmSenderText(facts.sender);
    case AlarmColumn::kTrapName:
        return Utf8(facts.trapName.empty() ? facts.trapOid : facts.trapName);
    case AlarmColumn::kInstance:
        return Utf8(facts.instanceNames.empty() ? facts.instance : facts.instanceNames);
    case AlarmColumn::kCount: return QString::number(view.count);
    case AlarmColumn::kFirst: return AlarmTimeText(facts.firstMs);
    case AlarmColumn::kLast: return AlarmTimeText(view.lastMs);
    case AlarmColumn::kMessage: return Utf8(facts.message);
    case AlarmColumn::kAck:
        if (facts.ackUser.empty()) return {};
        return facts.ackNote.empty()
                   ? Utf8(facts.ackUser)
                   : Utf8(facts.ackUser) + QStringLiteral(": ") + Utf8(facts.ackNote);
    }
    return {};
}

QVariant SortValue(const AlarmView& view, AlarmColumn column) {
    const AlarmFacts& facts = *view.facts;
    switch (column) {
    case AlarmColumn::kSeverity: return static_cast<int>(facts.severity);
    case AlarmColumn::kState: return static_cast<int>(facts.state);
    case AlarmColumn::kSender:
        return (static_cast<quint32>(facts.sender[0]) << 24) | (facts.sender[1] << 16) |
               (facts.sender[2] << 8) | facts.sender[3];
    case AlarmColumn::kCount: return static_cast<qulonglong>(view.count);
    case AlarmColumn::kFirst: return static_cast<qlonglong>(facts.firstMs);
    case AlarmColumn::kLast: return static_cast<qlonglong>(view.lastMs);
    default: return CellText(view, column);
    }
}

QString SearchTextOf(const AlarmView& view) {
    QString text;
    for (AlarmColumn column :
         {AlarmColumn::kSeverity, AlarmColumn::kState, AlarmColumn::kSender, AlarmColumn::kTrapName,
          AlarmColumn::kInstance, AlarmColumn::kMessage, AlarmColumn::kAck}) {
        text += CellText(view, column);
        text += QChar('\n');  // no match spans two columns
    }
    return text.toLower();
}

}  // namespace

QString AlarmStateLabel(AlarmState state) {
    switch (state) {
    case AlarmState::kRaised: return QStringLiteral("発生");
    case AlarmState::kAcknowledged: return QStringLiteral("確認済");
    case AlarmState::kCleared: return QStringLiteral("解除");
    }
    return {};
}

QString AlarmSenderText(const std::array<uint8_t, 4>& sender) {
    return QString::fromStdString(FormatDottedAddress(sender));
}

QString AlarmTimeText(int64_t ms) {
    if (ms <= 0) return {};
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

AlarmListModel::AlarmListModel(QObject* parent) : QAbstractTableModel(parent) {}

int AlarmListModel::Update(const AlarmSnapshot& snapshot) {
    const std::vector<AlarmView>& next = snapshot.alarms;
    // Rows whose alarm left the view go first, a run of neighbours at a time.
    std::size_t from = 0;
    for (std::size_t row = 0; row < m_rows.size();) {
        const int64_t id = m_rows[row].facts->id;
        while (from < next.size() && next[from].facts->id < id) ++from;
        if (from < next.size() && next[from].facts->id == id) {
            ++row;
            continue;
        }
        std::size_t end = row + 1;
        std::size_t probe = from;
        while (end < m_rows.size()) {
            const int64_t later = m_rows[end].facts->id;
            while (probe < next.size() && next[probe].facts->id < later) ++probe;
            if (probe < next.size() && next[probe].facts->id == later) break;
            ++end;
        }
        beginRemoveRows({}, static_cast<int>(row), static_cast<int>(end - 1));
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row),
                     m_rows.begin() + static_cast<std::ptrdiff_t>(end));
        m_search.erase(m_search.begin() + static_cast<std::ptrdiff_t>(row),
                       m_search.begin() + static_cast<std::ptrdiff_t>(end));
        endRemoveRows();
    }
    // What stays is a subsequence of next in the same order: update it in place. Ids only
    // grow, so alarms new to the window come after every row it has.
    int changed = 0;
    int firstChanged = -1;
    int lastChanged = -1;
    const auto flush = [&] {
        if (firstChanged < 0) return;
        emit dataChanged(index(firstChanged, 0), index(lastChanged, kAlarmColumnCount - 1));
        firstChanged = lastChanged = -1;
    };
    std::size_t at = 0;
    std::vector<AlarmView> appended;
    for (const AlarmView& view : next) {
        if (at < m_rows.size() && m_rows[at].facts->id == view.facts->id) {
            AlarmView& mine = m_rows[at];
            if (mine.facts != view.facts || mine.count != view.count ||
                mine.lastMs != view.lastMs) {
                if (mine.facts != view.facts) m_search[at] = SearchTextOf(view);
                mine = view;
                ++changed;
                const int row = static_cast<int>(at);
                // Rows far apart are announced apart, so a view redraws only what changed.
                if (firstChanged >= 0 && row > lastChanged + 64) flush();
                if (firstChanged < 0) firstChanged = row;
                lastChanged = row;
            }
            ++at;
        } else if (at >= m_rows.size() &&
                   (m_rows.empty() || view.facts->id > m_rows.back().facts->id)) {
            appended.push_back(view);
        }
    }
    flush();
    if (!appended.empty()) {
        const int first = static_cast<int>(m_rows.size());
        beginInsertRows({}, first, first + static_cast<int>(appended.size()) - 1);
        m_rows.insert(m_rows.end(), appended.begin(), appended.end());
        for (const AlarmView& view : appended) m_search.push_back(SearchTextOf(view));
        endInsertRows();
    }
    return changed;
}

int AlarmListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AlarmListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kAlarmColumnCount;
}

QVariant AlarmListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const AlarmView& view = At(index.row());
    const auto column = static_cast<AlarmColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole: return CellText(view, column);
    case Qt::ToolTipRole:
        return column == AlarmColumn::kMessage || column == AlarmColumn::kAck
                   ? CellText(view, column)
                   : QVariant();
    case Qt::BackgroundRole: {
        const QColor colour = SeverityColour(view.facts->severity);
        // The severity's own cell carries its colour; the rest of the row a paler tint,
        // so the texts stay readable.
        return QBrush(column == AlarmColumn::kSeverity ? colour : colour.lighter(165));
    }
    case Qt::ForegroundRole: return QBrush(Qt::black);
    case Qt::TextAlignmentRole:
        if (column == AlarmColumn::kCount) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case kAlarmSortRole: return SortValue(view, column);
    case kAlarmIdRole: return static_cast<qlonglong>(view.facts->id);
    default: return {};
    }
}

QVariant AlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[kAlarmColumnCount] = {
        "重要度", "状態", "送信元", "トラップ名", "インスタンス",
        "回数",   "最初", "最後",   "メッセージ", "確認者/メモ"};
    if (section < 0 || section >= kAlarmColumnCount) return {};
    return QString::fromUtf8(kHeaders[section]);
}

std::optional<int> AlarmListModel::RowOf(int64_t id) const {
    const auto found = std::lower_bound(
        m_rows.begin(), m_rows.end(), id,
        [](const AlarmView& view, int64_t wanted) { return view.facts->id < wanted; });
    if (found == m_rows.end() || (*found).facts->id != id) return std::nullopt;
    return static_cast<int>(found - m_rows.begin());
}

AlarmFilterProxy::AlarmFilterProxy(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(kAlarmSortRole);
    setDynamicSortFilter(true);
}

void AlarmFilterProxy::SetSearch(const QString& text) {
    if (text.toLower() == m_search) return;
    m_search = text.toLower();
    invalidateRowsFilter();
}

void AlarmFilterProxy::SetLeastSeverity(AlarmSeverity severity) {
    if (severity == m_least) return;
    m_least = severity;
    invalidateRowsFilter();
}

void AlarmFilterProxy::SetState(StateFilter state) {
    if (state == m_state) return;
    m_state = state;
    invalidateRowsFilter();
}

bool AlarmFilterProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const auto* model = static_cast<const AlarmListModel*>(sourceModel());
    const AlarmView& a = model->At(left.row());
    const AlarmView& b = model->At(right.row());
    const auto sender = [](const AlarmFacts& facts) {
        return (static_cast<uint32_t>(facts.sender[0]) << 24) | (facts.sender[1] << 16) |
               (facts.sender[2] << 8) | facts.sender[3];
    };
    switch (static_cast<AlarmColumn>(left.column())) {
    case AlarmColumn::kSeverity: return a.facts->severity < b.facts->severity;
    case AlarmColumn::kState: return a.facts->state < b.facts->state;
    case AlarmColumn::kSender: return sender(*a.facts) < sender(*b.facts);
    case AlarmColumn::kCount: return a.count < b.count;
    case AlarmColumn::kFirst: return a.facts->firstMs < b.facts->firstMs;
    case AlarmColumn::kLast: return a.lastMs < b.lastMs;
    default:
        return QString::localeAwareCompare(CellText(a, static_cast<AlarmColumn>(left.column())),
                                           CellText(b, static_cast<AlarmColumn>(left.column()))) <
               0;
    }
}

bool AlarmFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto* model = static_cast<const AlarmListModel*>(sourceModel());
    const AlarmView& view = model->At(sourceRow);
    const AlarmFacts& facts = *view.facts;
    if (facts.severity < m_least) return false;
    switch (m_state) {
    case StateFilter::kAll: break;
    case StateFilter::kOpen:
        if (facts.state == AlarmState::kCleared) return false;
        break;
    case StateFilter::kRaised:
        if (facts.state != AlarmState::kRaised) return false;
        break;
    case StateFilter::kAcknowledged:
        if (facts.state != AlarmState::kAcknowledged) return false;
        break;
    case StateFilter::kCleared:
        if (facts.state != AlarmState::kCleared) return false;
        break;
    }
    return m_search.isEmpty() || model->SearchText(sourceRow).contains(m_search);
}
