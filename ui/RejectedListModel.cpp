#include "ui/RejectedListModel.h"

#include <QFontDatabase>
#include <QStringList>
#include <array>

#include "platform/qt/QtText.h"
#include "traplog/TrapRowTexts.h"
#include "ui/CountView.h"

namespace {

constexpr std::array<const char*, kRejectReasonCount> kReasonNames = {"形式不正",
                                                                      "サイズ超過",
                                                                      "未登録ユーザ",
                                                                      "セキュリティレベル不許可",
                                                                      "認証失敗",
                                                                      "復号失敗",
                                                                      "トラップ以外のPDU",
                                                                      "受信フィルタで拒否",
                                                                      "エンジン探索",
                                                                      "時間窓外",
                                                                      "新規エンジン鍵の上限超過"};

constexpr std::array<const char*, RejectedListModel::kColumnCount> kHeaders = {
    "受信日時", "IPアドレス", "ポート", "バージョン", "ユーザ名", "理由", "オクテット"};

QString DateText(std::time_t receivedAt) {
    std::tm local{};
    localtime_r(&receivedAt, &local);
    return QString::fromLatin1(FormatReceiveTime(local));
}

// As the trap list numbers the versions: 1, 2 (SNMPv2c) and 3; empty when unread.
QString VersionText(int8_t version) {
    if (version < 0) return {};
    return QString::number(version == kSnmpV3 ? 3 : version + 1);
}

// What a filter rule would need to hold to let the trap in.
QString RefusedTrapText(const RejectedMessage& entry) {
    QStringList parts;
    if (entry.trapOid[0] != '\0')
        parts << QStringLiteral("トラップ OID %1").arg(QString::fromLatin1(entry.trapOid.data()));
    if (entry.enterprise[0] != '\0')
        parts << QStringLiteral("エンタープライズ %1 汎用 %2 固有 %3")
                     .arg(QString::fromLatin1(entry.enterprise.data()))
                     .arg(entry.genericTrap)
                     .arg(entry.specificTrap);
    return parts.join(QStringLiteral(", "));
}

QString ReasonText(const RejectedMessage& entry) {
    const QString name = RejectReasonName(entry.reason);
    switch (entry.reason) {
    case RejectReason::kMalformed:
    case RejectReason::kNotATrap:
        return QStringLiteral("%1 (オフセット %2)").arg(name).arg(entry.offset);
    case RejectReason::kTooLarge:
        return QStringLiteral("%1 (%2 オクテット)").arg(name).arg(entry.length);
    case RejectReason::kFiltered: {
        const QString refused = RefusedTrapText(entry);
        return refused.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, refused);
    }
    default: return name;
    }
}

QString OctetsText(std::span<const uint8_t> octets) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(octets.data()),
                                          static_cast<qsizetype>(octets.size()))
                                   .toHex(' ')
                                   .toUpper());
}

}  // namespace

QString RejectReasonName(RejectReason reason) {
    return QString::fromUtf8(kReasonNames[static_cast<std::size_t>(reason)]);
}

QString RejectReasonCounterTip(RejectReason reason) {
    return QStringLiteral("カウンタ表示の「%1」と「%2」に数えます")
        .arg(QString::fromLatin1(PacketCounterLabel(PacketKindOf(reason))),
             QString::fromLatin1(PacketCounterLabel(0)));
}

int RejectedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RejectedListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString RejectedListModel::CellText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumnCount) return {};
    const RejectedMessage& entry = rows_[static_cast<std::size_t>(row)];
    switch (column) {
    case kDateColumn: return DateText(entry.receivedAt);
    case kAddressColumn:
        return QStringLiteral("%1.%2.%3.%4")
            .arg(entry.address[0])
            .arg(entry.address[1])
            .arg(entry.address[2])
            .arg(entry.address[3]);
    case kPortColumn: return QString::number(entry.port);
    case kVersionColumn: return VersionText(entry.version);
    case kUserColumn: return FromCp932(entry.userName.data());
    case kReasonColumn: return ReasonText(entry);
    default: return OctetsText(entry.Head());
    }
}

QVariant RejectedListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == kOctetsColumn))
        return CellText(index.row(), index.column());
    if (role == Qt::ToolTipRole && index.column() == kReasonColumn)
        return CellText(index.row(), kReasonColumn) + QLatin1Char('\n') +
               RejectReasonCounterTip(rows_[static_cast<std::size_t>(index.row())].reason);
    if (role == Qt::FontRole && index.column() == kOctetsColumn)
        return QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (role == Qt::TextAlignmentRole &&
        (index.column() == kPortColumn || index.column() == kVersionColumn))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant RejectedListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount ||
        role != Qt::DisplayRole)
        return {};
    return QString::fromUtf8(kHeaders[static_cast<std::size_t>(section)]);
}

void RejectedListModel::AddNewest(std::span<const RejectedMessage> oldestFirst) {
    if (oldestFirst.empty()) return;
    beginInsertRows({}, 0, static_cast<int>(oldestFirst.size()) - 1);
    for (const RejectedMessage& entry : oldestFirst) rows_.push_front(entry);
    endInsertRows();
    if (rows_.size() <= RejectedMessages::kCapacity) return;
    beginRemoveRows({}, static_cast<int>(RejectedMessages::kCapacity),
                    static_cast<int>(rows_.size()) - 1);
    rows_.resize(RejectedMessages::kCapacity);
    endRemoveRows();
}

void RejectedListModel::RemoveAllRows() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}
