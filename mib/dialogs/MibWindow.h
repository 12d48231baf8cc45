#pragma once
// 表示 > "MIB モジュール": the modules loaded and the files that failed with libsmi's
// messages, a reload, and "追加…" to copy module files into the program folder's mibs/.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "mib/MibLoader.h"

class MibService;
class SettingsSource;
class QLabel;
class QPushButton;
class QTableWidget;

class CMibWindow : public QDialog {
    Q_OBJECT
public:
    // Shows service's loads; a reload reads the MIB folders of settings.
    CMibWindow(MibService& service, const SettingsSource& settings, QWidget* parent = nullptr);

    // Shows the one window of parent, creating it the first time.
    static CMibWindow* Open(MibService& service, const SettingsSource& settings, QWidget* parent);

    // Loads again from the search folders (the button).
    void OnReload();
    // Copies the files into the program folder's mibs/ and loads again; returns how many
    // could not be copied.
    int AddFiles(const QStringList& files);

    QTableWidget* Loaded() const { return m_loaded; }
    QTableWidget* Failed() const { return m_failed; }
    // Fills the tables from the last load's report when it is new.
    void Refresh();

private:
    void OnAdd();

    MibService& m_service;
    const SettingsSource& m_settings;
    QLabel* m_summary;
    QTableWidget* m_loaded;
    QTableWidget* m_failed;
    QPushButton* m_reload;
    QPushButton* m_add;
    QTimer m_poll;
    std::shared_ptr<const MibLoadReport> m_shown;
};
