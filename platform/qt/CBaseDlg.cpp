#include "platform/qt/CBaseDlg.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

CBaseDlg::CBaseDlg(QWidget* parent) : QDialog(parent) {}

QHBoxLayout* CBaseDlg::MakeOkCancelRow(const QString& okText) {
    auto* ok = WithId(new QPushButton(okText), 1);
    auto* cancel = WithId(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ")), 2);
    connect(ok, &QPushButton::clicked, this, &CBaseDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

void CBaseDlg::InstallKeyHandling() {
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool CBaseDlg::HandleKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: OnOK(); return true;
    case Qt::Key_Escape: return true;
    default: return false;
    }
}

bool CBaseDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

void CBaseDlg::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) QDialog::keyPressEvent(event);
}
