#pragma once
// The window as the user left it: the main window's size and place, the splitters'
// positions, the trap list's columns (shown or hidden, widths, order), and its search box's
// recent searches and choice of letter case. Kept between runs in the user's configuration
// folder ($XDG_CONFIG_HOME/olixtrap/window.conf), never in OlixTrap.ini, which holds the
// program's settings and keeps its bytes.

#include <QString>

class CMainFrame;

QString WindowStatePath();

// Applies what was kept; a missing or unreadable file leaves the window as it is, and
// columns kept for another column count leave the columns as they are.
void RestoreWindowState(CMainFrame& frame);
void SaveWindowState(const CMainFrame& frame);
