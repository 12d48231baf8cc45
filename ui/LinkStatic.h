#pragma once
// A static text that behaves as a hyperlink: blue and underlined at rest, orange under the
// mouse; a click opens the text, as a mail address ("mailto:") when it holds no ":".

#include <QColor>
#include <QLabel>
#include <functional>
#include <string>

class ProgramLauncher;

class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    static constexpr QRgb kRestColour = qRgb(0, 0, 255);
    static constexpr QRgb kHoverColour = qRgb(255, 128, 0);

    // Whatever opens a link (OpenerWith, xdg-open); tests give their own to see what is
    // opened.
    using Opener = std::function<void(const std::string& target)>;
    // xdg-open started by launcher, which outlives the opener.
    static Opener OpenerWith(ProgramLauncher& launcher);

    CLinkStatic(const QString& text, Opener open, QWidget* parent = nullptr);

    QColor TextColour() const { return m_crText; }

    // The text that a click opens.
    static std::string LinkTarget(const std::string& text);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetColour(QRgb colour);

    Opener m_open;
    int m_bPressed = 0;
    QColor m_crText{kRestColour};
};
