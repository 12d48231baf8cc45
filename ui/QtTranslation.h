#pragma once
// Qt's own texts (the standard buttons of message boxes, the edit menus) in Japanese,
// like the rest of the windows.

// Installs Qt's Japanese translation on the running application; false when the
// translation file is not installed (the texts then stay English).
bool InstallQtTranslation();
