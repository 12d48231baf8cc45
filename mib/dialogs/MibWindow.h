#pragma once
// 表示 > "MIB モジュール": the modules loaded and the files that failed with libsmi's
// messages, a reload, and "追加…" to copy module files into the program folder's mibs/.

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mib/MibLoader.h"

class MibService;
class SettingsSource;
class QLabel;
class QPushButton;
class QTableWidget;

// A notification of the loaded modules, as the window lists it.
struct MibNotification {
    std::string name;                                          // its descriptor
    std::string oid;                                           // dotted
    std::vector<std::pair<std::string, std::string>> objects;  // name and dotted OID ("" unknown)
    std::string description;
};

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
    // The notifications of the loaded modules, with a context menu that hands one to the
    // action set here (the alarm rules dialog); without an action the menu is not offered.
    QTableWidget* Notifications() const { return m_notifications; }
    void SetNotificationAction(std::function<void(const MibNotification&)> action) {
        m_notificationAction = std::move(action);
    }
    // Runs the action on the notification of row (the context menu's item).
    void StartRuleFrom(int row);
    // Fills the tables from the last load's report when it is new.
    void Refresh();

private:
    void OnAdd();
    void ShowNotifications();

    MibService& m_service;
    const SettingsSource& m_settings;
    QLabel* m_summary;
    QTableWidget* m_loaded;
    QTableWidget* m_failed;
    QTableWidget* m_notifications;
    std::vector<MibNotification> m_notificationRows;
    std::function<void(const MibNotification&)> m_notificationAction;
    QPushButton* m_reload;
    QPushButton* m_add;
    QTimer m_poll;
    std::shared_ptr<const MibLoadReport> m_shown;
};
