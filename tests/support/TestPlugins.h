#pragma once

#include <QCoreApplication>
#include <QStringList>

namespace testsupport {

// Before the application object: the test program loads its Qt plug-ins
// from the tests' own plug-in folder (tests/CMakeLists.txt), which holds
// the platforms the tests draw on and the plug-ins the launcher carries,
// and nothing else the host's Qt would find: no platform theme, style,
// accessibility bridge or GL integration of a desktop package.
inline void useTestPlugins()
{
    QCoreApplication::setLibraryPaths(QStringList{QStringLiteral(LAUNCHER_TEST_QT_PLUGINS)});
}

} // namespace testsupport
