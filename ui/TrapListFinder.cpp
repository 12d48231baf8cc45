#include "ui/TrapListFinder.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include "platform/Encoding.h"
#include "platform/qt/EventImages.h"
#include "ui/TrapListFilter.h"
#include "ui/TrapListModel.h"
#include "ui/TrapListScan.h"

CTrapListFinder::CTrapListFinder(QTableView* list, TrapListModel* rows,
                                 std::function<void()> onViewModelChanged, QWidget* parent)
    : QWidget(parent),
      m_list(list),
      m_rows(rows),
      m_filter(new TrapListFilter(rows, this)),
      m_scan(new TrapListScan(rows, this)),
      m_onViewModelChanged(std::move(onViewModelChanged)) {
    setObjectName(QStringLiteral("trapSearch"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("searchText"));
    m_text->setPlaceholderText(QStringLiteral("検索 (すべての列)"));
    m_text->setClearButtonEnabled(true);
    m_event = new QComboBox(this);
    m_event->setObjectName(QStringLiteral("searchEvent"));
    m_event->addItem(QStringLiteral("すべてのイベント"), -1);
    for (int event = 0; event < static_cast<int>(kGenericTrapNames.size()); ++event)
        m_event->addItem(QString::fromLatin1(kGenericTrapNames[static_cast<std::size_t>(event)]),
                         event);
    m_version = new QComboBox(this);
    m_version->setObjectName(QStringLiteral("searchVersion"));
    m_version->addItem(QStringLiteral("すべてのバージョン"), 0);
    m_version->addItem(QStringLiteral("SNMPv1"), 1);
    m_version->addItem(QStringLiteral("SNMPv2c"), 2);
    m_version->addItem(QStringLiteral("SNMPv3"), 3);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("searchCount"));

    // A pause after the last key: a million rows are not searched once per letter.
    m_typing.setSingleShot(true);
    m_typing.setInterval(kTypingPauseMs);
    connect(&m_typing, &QTimer::timeout, this, &CTrapListFinder::ApplySearch);
    connect(m_text, &QLineEdit::textChanged, this, [this] { m_typing.start(); });
    connect(m_event, &QComboBox::currentIndexChanged, this, &CTrapListFinder::ApplySearch);
    connect(m_version, &QComboBox::currentIndexChanged, this, &CTrapListFinder::ApplySearch);
    connect(m_scan, &TrapListScan::Progress, this, &CTrapListFinder::UpdateCount);
    connect(m_scan, &TrapListScan::Done, this, [this] {
        m_filter->SetQuery(m_scan->Query(), m_scan->TakeMarks());
        ShowModel();
    });

    QHeaderView* header = m_list->horizontalHeader();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &CTrapListFinder::OnHeaderClicked);
}

void CTrapListFinder::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int h = height() - 4;
    const int choices = 2 * 150 + 8;
    const int countWidth = std::max(m_count->sizeHint().width(), 220);
    const int textWidth = std::max(120, width() - choices - countWidth - 24);
    m_text->setGeometry(4, 2, textWidth, h);
    m_event->setGeometry(m_text->geometry().right() + 8, 2, 150, h);
    m_version->setGeometry(m_event->geometry().right() + 4, 2, 150, h);
    m_count->setGeometry(m_version->geometry().right() + 8, 2,
                         std::max(0, width() - m_version->geometry().right() - 12), h);
}

bool CTrapListFinder::Active() const { return !m_filter->Query().Empty() || m_sortColumn >= 0; }

void CTrapListFinder::ApplySearch() {
    m_typing.stop();
    TrapRowQuery query(Utf8ToCp932(m_text->text().toStdString()), m_event->currentData().toInt(),
                       m_version->currentData().toInt());
    if (!query.Empty()) {
        m_scan->Start(std::move(query));
        return;
    }
    m_scan->Cancel();
    m_filter->SetQuery(std::move(query));
    ShowModel();
}

bool CTrapListFinder::Searching() const { return m_scan->Running(); }

void CTrapListFinder::OnHeaderClicked(int column) {
    if (column != m_sortColumn) {
        m_sortColumn = column;
        m_sortOrder = Qt::AscendingOrder;
    } else if (m_sortOrder == Qt::AscendingOrder) {
        m_sortOrder = Qt::DescendingOrder;
    } else {
        m_sortColumn = -1;  // the third click: arrival order again
    }
    m_filter->sort(m_sortColumn, m_sortOrder);
    QHeaderView* header = m_list->horizontalHeader();
    header->setSortIndicatorShown(m_sortColumn >= 0);
    if (m_sortColumn >= 0) header->setSortIndicator(m_sortColumn, m_sortOrder);
    ShowModel();
}

void CTrapListFinder::ShowModel() {
    QAbstractItemModel* wanted = Active() ? static_cast<QAbstractItemModel*>(m_filter) : m_rows;
    if (m_list->model() != wanted) {
        // A new model resets the header's sections: their widths and order are kept.
        QHeaderView* header = m_list->horizontalHeader();
        const QByteArray state = header->saveState();
        QItemSelectionModel* old = m_list->selectionModel();
        m_list->setModel(wanted);
        header->restoreState(state);
        header->setSortIndicatorShown(m_sortColumn >= 0);
        delete old;
        if (m_onViewModelChanged) m_onViewModelChanged();
    }
    UpdateCount();
}

void CTrapListFinder::UpdateCount() {
    if (m_scan->Running()) {
        m_count->setText(QStringLiteral("検索中 %1 %").arg(m_scan->Percent()));
        return;
    }
    if (!Active()) {
        m_count->clear();
        return;
    }
    // Exports and the detail view take the shown rows: the bar says so.
    m_count->setText(QStringLiteral("表示 %1 / %2 件 (出力・詳細は表示中の行)")
                         .arg(ShownRowCount())
                         .arg(m_rows->rowCount()));
}

int CTrapListFinder::SourceRow(int viewRow) const {
    if (viewRow < 0 || viewRow >= ShownRowCount()) return -1;
    if (m_list->model() != m_filter) return viewRow;
    return m_filter->mapToSource(m_filter->index(viewRow, 0)).row();
}

int CTrapListFinder::ShownRowCount() const { return m_list->model()->rowCount(); }
