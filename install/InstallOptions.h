#pragma once

#include <QString>

namespace install {

// What one run of the installer does, and where. Passed and stored by value.
struct InstallOptions
{
    bool m_createStartMenuItems = true;
    bool m_createQuickLaunchItems = true;
    bool m_createDesktopIcon = true;
    // Uninstall only: also empty and remove the per-user data folder.
    bool m_removeUserData = false;
    // The installation directory as the caller gives it.
    QString m_path;
};

} // namespace install
