#include "ui/LinkStatic.h"

#include <QMouseEvent>
#include <QPalette>

#include "platform/ProcessLauncher.h"

CLinkStatic::Opener CLinkStatic::OpenerWith(ProgramLauncher& launcher) {
    return [&launcher](const std::string& target) {
        // No shell: the target is one argument. Failures (no desktop) are not reported.
        static_cast<void>(launcher.StartProcess({"xdg-open", target}, true));
    };
}

CLinkStatic::CLinkStatic(const QString& text, Opener open, QWidget* parent)
    : QLabel(text, parent), m_open(std::move(open)) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    SetColour(kRestColour);
}

std::string CLinkStatic::LinkTarget(const std::string& text) {
    if (text.find(':') == std::string::npos) return "mailto:" + text;
    return text;
}

void CLinkStatic::SetColour(QRgb colour) {
    m_crText = QColor(colour);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, m_crText);
    setPalette(palette);
    update();
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    SetColour(kHoverColour);
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    if (!m_bPressed) SetColour(kRestColour);
    QLabel::leaveEvent(event);
}

void CLinkStatic::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (inside)
        SetColour(kHoverColour);
    else if (!m_bPressed)
        SetColour(kRestColour);
    QLabel::mouseMoveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_bPressed = 1;
    QLabel::mousePressEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bPressed) {
        if (rect().contains(event->position().toPoint()))
            m_open(LinkTarget(text().toStdString()));
        else
            SetColour(kRestColour);
        m_bPressed = 0;
    }
    QLabel::mouseReleaseEvent(event);
}
