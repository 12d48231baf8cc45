#include "ui/TrapListFinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableView>
#include <QTextCharFormat>

#include "platform/Encoding.h"
#include "platform/qt/EventImages.h"
#include "traplog/TrapRowFilter.h"
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
    // The box is the line of a combo box whose drop-down holds the recent searches.
    m_history = new QComboBox(this);
    m_history->setObjectName(QStringLiteral("searchHistory"));
    m_history->setEditable(true);
    m_history->setInsertPolicy(QComboBox::NoInsert);
    m_history->setCompleter(nullptr);  // typing stays typing: no completion from the history
    m_history->setMaxCount(kHistorySize);
    m_text = m_history->lineEdit();
    m_text->setObjectName(QStringLiteral("searchText"));
    m_text->setPlaceholderText(QStringLiteral(
        "検索 (すべての列) または式: source == 192.0.2.0/24 && trap ~ \"linkDown\""));
    m_text->setClearButtonEnabled(true);
    QString fields = QStringLiteral(
        "演算子 (==, !=, <, <=, >, >=, ~) を含むと式として絞り込みます。\n"
        "例: version == 3 && user == \"alice\"、ifIndex == 3、text ~ \"ディスク\"\n"
        "&& (かつ)、|| (または)、! (否定)、( ) が使えます。~ は「含む」です。\n"
        "バインディングは MIB 名 (ifIndex、IF-MIB::ifIndex) か OID で書きます。\n項目:");
    for (const std::string& line : FilterFieldNames())
        fields += QStringLiteral("\n  ") + QString::fromStdString(line);
    m_text->setToolTip(fields);
    m_ignoreCase = new QCheckBox(QStringLiteral("大/小文字無視"), this);
    m_ignoreCase->setObjectName(QStringLiteral("searchIgnoreCase"));
    m_ignoreCase->setToolTip(QStringLiteral("英字の大文字と小文字を区別せずに探します"));
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
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("searchError"));
    m_error->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_error->hide();

    // A pause after the last key: a million rows are not searched once per letter.
    m_typing.setSingleShot(true);
    m_typing.setInterval(kTypingPauseMs);
    connect(&m_typing, &QTimer::timeout, this, &CTrapListFinder::ApplySearch);
    connect(m_text, &QLineEdit::textChanged, this, [this] { m_typing.start(); });
    // A search the user settled on (Enter, or leaving the box) goes into the history.
    connect(m_text, &QLineEdit::editingFinished, this, [this] {
        ApplySearch();
        if (m_error->isHidden()) Remember(m_text->text());
    });
    connect(m_history, &QComboBox::activated, this, [this] { ApplySearch(); });
    connect(m_ignoreCase, &QCheckBox::toggled, this, &CTrapListFinder::ApplySearch);
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
    LayOut();
}

void CTrapListFinder::LayOut() {
    const int h = height() - 4;
    const int caseWidth = m_ignoreCase->sizeHint().width();
    const int choices = 2 * 150 + 8 + caseWidth + 8;
    // An error needs more room than the count; the box keeps at least a third.
    const int countWidth = m_error->isHidden()
                               ? std::max(m_count->sizeHint().width(), 220)
                               : std::min(m_error->sizeHint().width(), width() * 2 / 3 - choices);
    const int textWidth = std::max(std::max(120, width() / 3), width() - choices - countWidth - 24);
    m_history->setGeometry(4, 2, textWidth, h);
    m_ignoreCase->setGeometry(m_history->geometry().right() + 8, 2, caseWidth, h);
    m_event->setGeometry(m_ignoreCase->geometry().right() + 8, 2, 150, h);
    m_version->setGeometry(m_event->geometry().right() + 4, 2, 150, h);
    const QRect rest(m_version->geometry().right() + 8, 2,
                     std::max(0, width() - m_version->geometry().right() - 12), h);
    m_count->setGeometry(rest);
    m_error->setGeometry(rest);
}

bool CTrapListFinder::Active() const { return !m_filter->Query().Empty() || m_sortColumn >= 0; }

void CTrapListFinder::ApplySearch() {
    m_typing.stop();
    const std::string text = m_text->text().toStdString();
    const int event = m_event->currentData().toInt();
    const int version = m_version->currentData().toInt();
    TrapRowQuery query;
    if (LooksLikeFilterExpression(text)) {
        auto compiled = TrapRowFilter::Compile(
            text, IgnoreCase(), [this](std::string_view name) { return m_rows->BindingOid(name); });
        if (const auto* error = std::get_if<TrapFilterError>(&compiled)) {
            // Positions in the box count UTF-16 units; the error's count bytes.
            const int start =
                QString::fromUtf8(text.data(), static_cast<qsizetype>(error->position)).size();
            const int length = QString::fromUtf8(text.data() + error->position,
                                                 static_cast<qsizetype>(error->length))
                                   .size();
            ShowError(QString::fromStdString(error->message), start, length);
            return;
        }
        query = TrapRowQuery(std::get<std::shared_ptr<const TrapRowFilter>>(std::move(compiled)),
                             event, version);
    } else {
        query = TrapRowQuery(Utf8ToCp932(text), event, version, IgnoreCase());
    }
    ShowError({}, 0, 0);
    if (!query.Empty()) {
        m_scan->Start(std::move(query));
        return;
    }
    m_scan->Cancel();
    m_filter->SetQuery(std::move(query));
    ShowModel();
}

bool CTrapListFinder::Searching() const { return m_scan->Running(); }

void CTrapListFinder::ShowError(const QString& message, int start, int length) {
    // The part at fault is underlined in the box itself; an error at the end marks the
    // last character.
    QList<QInputMethodEvent::Attribute> marks;
    if (!message.isEmpty() && !m_text->text().isEmpty()) {
        if (length == 0) start = std::max(0, start - 1), length = 1;
        QTextCharFormat format;
        format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        format.setUnderlineColor(QColor(0xC0, 0, 0));
        format.setBackground(QColor(0xFF, 0xD0, 0xD0));
        marks << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                              start - m_text->cursorPosition(), length, format);
    }
    {
        const QSignalBlocker quiet(m_text);
        QInputMethodEvent marking(QString(), marks);
        QCoreApplication::sendEvent(m_text, &marking);
    }
    const bool wasShown = !m_error->isHidden();
    if (message.isEmpty()) {
        m_error->clear();
        m_error->hide();
        m_count->show();
    } else {
        // The message says where in characters, and shows the text from there.
        const QString rest = m_text->text().mid(start, 24);
        m_error->setText(QStringLiteral("構文エラー (%1 文字目 「%2」): %3")
                             .arg(start + 1)
                             .arg(rest.isEmpty() ? QStringLiteral("終わり") : rest.toHtmlEscaped())
                             .arg(message));
        m_error->setToolTip(m_error->text());
        m_count->hide();
        m_error->show();
    }
    if (wasShown != !m_error->isHidden()) LayOut();
}

QString CTrapListFinder::ErrorText() const { return m_error->text(); }

void CTrapListFinder::SearchFor(const QString& text) {
    m_text->setText(text);
    ApplySearch();
    if (m_error->isHidden()) Remember(text);
}

void CTrapListFinder::Remember(const QString& text) {
    if (text.trimmed().isEmpty()) return;
    QStringList texts = History();
    texts.removeAll(text);
    texts.prepend(text);
    SetHistory(texts);
}

QStringList CTrapListFinder::History() const {
    QStringList texts;
    for (int i = 0; i < m_history->count(); ++i) texts << m_history->itemText(i);
    return texts;
}

void CTrapListFinder::SetHistory(const QStringList& texts) {
    // Changing the items of an editable combo box would write into the box: what the user
    // has typed stays.
    const QString typed = m_text->text();
    const QSignalBlocker quietBox(m_history);
    const QSignalBlocker quietText(m_text);
    m_history->clear();
    m_history->addItems(texts.mid(0, kHistorySize));
    m_history->setCurrentIndex(-1);
    m_text->setText(typed);
}

bool CTrapListFinder::IgnoreCase() const { return m_ignoreCase->isChecked(); }

void CTrapListFinder::SetIgnoreCase(bool ignore) { m_ignoreCase->setChecked(ignore); }

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
