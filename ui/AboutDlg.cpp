#include "ui/AboutDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "platform/Version.h"
#include "platform/qt/QtText.h"
#include "ui/AppIcon.h"
#include "ui/DialogUnits.h"
#include "ui/LinkStatic.h"

CAboutDlg::CAboutDlg(ProgramLauncher& launcher, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(DuX(233), DuY(125));

    auto* frame = new QGroupBox(this);
    frame->setGeometry(DuRect(7, 7, 219, 88));

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIconPixmap());
    icon->setGeometry(DuRect(17, 20, 21, 20));

    auto* title =
        new QLabel(QStringLiteral("Olix Trap Receiver Ver") + FromCp932(kProgramVersion), this);
    title->setGeometry(DuRect(50, 24, 160, 10));

    auto* homeLabel = new QLabel(QStringLiteral("Home："), this);
    homeLabel->setGeometry(DuRect(50, 50, 28, 10));
    auto* mailLabel = new QLabel(QStringLiteral("Mail："), this);
    mailLabel->setGeometry(DuRect(50, 68, 28, 10));
    // The links start a small gap after the wider label, however wide the face draws it.
    constexpr int kLinkGap = 6;
    const int labelWidth = std::max(homeLabel->sizeHint().width(), mailLabel->sizeHint().width());
    for (QLabel* label : {homeLabel, mailLabel})
        label->resize(std::max(label->width(), labelWidth), label->height());
    const int linkX = std::max(DuX(80), homeLabel->x() + labelWidth + kLinkGap);
    const int linkWidth = frame->geometry().right() - kLinkGap - linkX;

    m_home =
        new CLinkStatic(QString::fromLatin1(kHomeAddress), CLinkStatic::OpenerWith(launcher), this);
    m_home->setObjectName(QStringLiteral("1015"));
    m_home->setGeometry(linkX, DuY(50), linkWidth, DuY(10));
    m_mail =
        new CLinkStatic(QString::fromLatin1(kMailAddress), CLinkStatic::OpenerWith(launcher), this);
    m_mail->setObjectName(QStringLiteral("1016"));
    m_mail->setGeometry(linkX, DuY(68), linkWidth, DuY(10));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(DuRect(91, 102, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
