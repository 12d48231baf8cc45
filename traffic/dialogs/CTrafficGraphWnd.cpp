#include "traffic/dialogs/CTrafficGraphWnd.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineSeries>
#include <QTableWidget>
#include <QValueAxis>
#include <algorithm>

#include "platform/qt/EventImages.h"

namespace {

QString Dotted(const SenderAddress& address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address[0])
        .arg(address[1])
        .arg(address[2])
        .arg(address[3]);
}

}  // namespace

CTrafficGraphWnd::CTrafficGraphWnd(TrafficCounts& counts, QWidget* parent)
    : QWidget(parent, Qt::Window), m_counts(counts) {
    setObjectName(QStringLiteral("trafficGraph"));
    setWindowTitle(QStringLiteral("受信グラフ"));
    CreateChart();
    CreateSenderList();
    auto* layout = new QHBoxLayout(this);
    auto* view = new QChartView(m_chart, this);
    view->setRenderHint(QPainter::Antialiasing, false);
    layout->addWidget(view, 1);
    layout->addWidget(m_senders, 0);
    m_senders->setFixedWidth(220);
    resize(1060, 440);

    m_redraw.setInterval(kRedrawMs);
    connect(&m_redraw, &QTimer::timeout, this,
            [this] { ShowCounts(m_counts.Snapshot(TrafficSecondNow())); });
    m_redraw.start();
    ShowCounts(m_counts.Snapshot(TrafficSecondNow()));
}

void CTrafficGraphWnd::CreateChart() {
    m_chart = new QChart;
    m_chart->setTitle(QStringLiteral("受信トラップ数 / 秒 (過去 10 分)"));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    auto* axisX = new QValueAxis;
    axisX->setRange(-kTrafficSeconds, 0);
    axisX->setLabelFormat(QStringLiteral("%d"));
    axisX->setTickCount(11);
    axisX->setTitleText(QStringLiteral("秒"));
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%d"));
    m_axisY->setRange(0, 10);
    m_chart->addAxis(axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    // Each event is the band between the sum of the events below it and that sum plus its own.
    for (int event = 0; event < kTrafficEvents; ++event) {
        const auto at = static_cast<std::size_t>(event);
        m_upper[at] = new QLineSeries(m_chart);
        m_lower[at] = new QLineSeries(m_chart);
        auto* area = new QAreaSeries(m_upper[at], m_lower[at]);
        area->setName(QString::fromLatin1(kGenericTrapNames[at]));
        area->setColor(EventColour(event));
        area->setBorderColor(QColor(96, 96, 96));
        m_chart->addSeries(area);
        area->attachAxis(axisX);
        area->attachAxis(m_axisY);
    }
}

void CTrafficGraphWnd::CreateSenderList() {
    m_senders = new QTableWidget(0, 2, this);
    m_senders->setObjectName(QStringLiteral("trafficSenders"));
    m_senders->setHorizontalHeaderLabels(
        {QStringLiteral("送信元 (上位 10)"), QStringLiteral("トラップ数")});
    m_senders->verticalHeader()->hide();
    m_senders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_senders->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void CTrafficGraphWnd::ShowCounts(const TrafficSnapshot& snapshot) {
    std::array<QList<QPointF>, kTrafficEvents + 1> edges;
    uint32_t highest = 0;
    for (std::size_t i = 0; i < snapshot.perSecond.size(); ++i) {
        const double x =
            static_cast<double>(i) - static_cast<double>(snapshot.perSecond.size() - 1);
        uint32_t sum = 0;
        edges[0].append(QPointF(x, 0));
        for (std::size_t event = 0; event < kTrafficEvents; ++event) {
            sum += snapshot.perSecond[i][event];
            edges[event + 1].append(QPointF(x, sum));
        }
        highest = std::max(highest, sum);
    }
    for (std::size_t event = 0; event < kTrafficEvents; ++event) {
        m_lower[event]->replace(edges[event]);
        m_upper[event]->replace(edges[event + 1]);
    }
    // Some room above the highest second, in round steps.
    m_axisY->setRange(0, std::max(10.0, highest * 1.1));
    m_axisY->applyNiceNumbers();

    m_senders->setRowCount(static_cast<int>(snapshot.topSenders.size()));
    for (int row = 0; row < static_cast<int>(snapshot.topSenders.size()); ++row) {
        const auto& [address, count] = snapshot.topSenders[static_cast<std::size_t>(row)];
        m_senders->setItem(row, 0, new QTableWidgetItem(Dotted(address)));
        auto* countItem = new QTableWidgetItem(QString::number(count));
        countItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_senders->setItem(row, 1, countItem);
    }
}

double CTrafficGraphWnd::StackedAt(int event, int i) const {
    const QLineSeries* upper = m_upper[static_cast<std::size_t>(event)];
    return i >= 0 && i < upper->count() ? upper->at(i).y() : -1;
}
