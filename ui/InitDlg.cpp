#include "ui/InitDlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "ui/AppIcon.h"
#include "ui/DialogUnits.h"
#include "ui/MainFrame.h"
#include "ui/WindowState.h"

namespace {
constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;
constexpr int kShowOnTick = 3;
}  // namespace

CInitDlg::CInitDlg(QWidget* owner)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), m_owner(owner) {
    setObjectName(QStringLiteral("163"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIconPixmap());
    icon->setGeometry(DuX(39), DuY(31), 32, 32);
    auto* text = new QLabel(QStringLiteral("Olix Trap Receiver  version 3.00"), this);
    text->setGeometry(DuX(67), DuY(44), std::max(DuX(112), text->sizeHint().width()), DuY(10));
    // A font wider than the form was drawn for widens the splash rather than cut the text.
    setFixedSize(std::max(DuX(187), text->geometry().right() + 1 + DuX(8)), DuY(94));

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CInitDlg::OnTimer);
    m_timer.start();
    raise();
}

void CInitDlg::reject() {}

void CInitDlg::OnTimer() {
    if (m_nTick++ != kShowOnTick - 1) return;
    QRect desktop(0, 0, kFrameWidth, kFrameHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) desktop = screen->geometry();
    auto* frame = qobject_cast<CMainFrame*>(m_owner);
    if (frame) frame->AllowShowing();
    if (m_owner) {
        m_owner->resize(kFrameWidth, kFrameHeight);
        m_owner->move((desktop.right() + 1 - kFrameWidth) / 2,
                      (desktop.bottom() + 1 - kFrameHeight) / 2);
        if (frame) RestoreWindowState(*frame);
        m_owner->show();
    }
    m_timer.stop();
    QMetaObject::invokeMethod(this, &QDialog::accept, Qt::QueuedConnection);
}
