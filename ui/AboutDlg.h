#pragma once
// The about box: program name and version, with the maker's web and mail links.

#include <QDialog>

class CLinkStatic;
class ProgramLauncher;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // Placeholders of this project: the reserved .example domain.
    static constexpr const char* kHomeAddress = "https://www.olixsoft.example/";
    static constexpr const char* kMailAddress = "support@olixsoft.example";

    // The links are opened by programs that launcher starts.
    explicit CAboutDlg(ProgramLauncher& launcher, QWidget* parent = nullptr);

private:
    CLinkStatic* m_home;  // control 1015
    CLinkStatic* m_mail;  // control 1016
};
