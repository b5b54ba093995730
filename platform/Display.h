#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// The Qt platform for the windows of this run, in the form QT_QPA_PLATFORM
// takes: of the platforms that requested names (entries separated by ";",
// each a plug-in key with options after ":", as in "wayland;xcb"), the
// first whose plug-in is among carried and that can serve here; else xcb
// when it is carried and can serve. xcb serves where an X display accepts
// a connection, XWayland on a Wayland desktop among them; a platform whose
// plug-in is not carried would end the process. Empty when none can serve:
// then no window can be shown.
QByteArray choosePlatform(const QByteArray& requested, const QStringList& carried, bool xDisplay);

// The keys of the platform plug-ins in a folder ("platforms" below the
// launcher's own), as Qt knows them: "xcb" for libqxcb.so.
QStringList platformPluginKeys(const QString& folder);

// Whether the X display of $DISPLAY accepts a connection, as the xcb
// plug-in needs one and ends the process where there is none (a console,
// ssh, a Wayland session without XWayland).
bool xDisplayReachable();

// choosePlatform for this process: QT_QPA_PLATFORM, the platform plug-ins
// in pluginFolder and the X display of $DISPLAY.
QByteArray windowPlatform(const QString& pluginFolder);

} // namespace platform
