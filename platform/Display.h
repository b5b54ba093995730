#pragma once

namespace platform {

// Whether windows can be shown: a platform that QT_QPA_PLATFORM names, other
// than xcb, is taken as it is; otherwise an X display must accept a
// connection, as the xcb plug-in (the one the application folder carries)
// needs one and ends the process where there is none (a console, ssh).
bool canShowWindows();

} // namespace platform
