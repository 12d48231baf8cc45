#include "alarms/dialogs/AlarmPane.h"

#include <QMouseEvent>

AlarmCounts CountOpenAlarms(const AlarmSnapshot& snapshot) {
    AlarmCounts counts{};
    for (const AlarmView& view : snapshot.alarms)
        if (view.facts->state != AlarmState::kCleared)
            ++counts[static_cast<std::size_t>(view.facts->severity)];
    return counts;
}

QString AlarmCountsText(const AlarmCounts& counts) {
    QStringList parts;
    for (const AlarmSeverityInfo& info : kAlarmSeverities) {
        if (info.severity == AlarmSeverity::kCleared) continue;
        parts << QStringLiteral("%1 %2")
                     .arg(QString::fromUtf8(info.label.data(), info.label.size()))
                     .arg(counts[static_cast<std::size_t>(info.severity)]);
    }
    return QStringLiteral("アラーム ") + parts.join(QStringLiteral(" | "));
}

CAlarmPane::CAlarmPane(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("alarmPane"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMargin(2);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("未解除のアラームの数 (クリックでアラーム ウィンドウ)"));
}

void CAlarmPane::Show(const AlarmSnapshot& snapshot) {
    const AlarmCounts counts = CountOpenAlarms(snapshot);
    if (m_shown && counts == m_counts) return;
    m_shown = true;
    m_counts = counts;
    setText(AlarmCountsText(counts));
    AlarmSeverity highest = AlarmSeverity::kCleared;
    for (int severity = kAlarmSeverityCount - 1; severity > 0; --severity)
        if (counts[static_cast<std::size_t>(severity)] > 0) {
            highest = static_cast<AlarmSeverity>(severity);
            break;
        }
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor::fromRgb(SeverityInfo(highest).rgb));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
}

void CAlarmPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit Clicked();
    QLabel::mousePressEvent(event);
}
