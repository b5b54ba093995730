#include "platform/Display.h"

#include <QByteArray>
#include <QtGlobal>

#include <dlfcn.h>

namespace platform {

bool canShowWindows()
{
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (!chosen.isEmpty() && !chosen.startsWith("xcb"))
        return true;

    // The X client library is on every desktop (it is what the xcb plug-in
    // connects with); asked for at run time, so nothing links it.
    void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb)
        return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
    bool reachable = false;
    if (connect && hasError && disconnect) {
        // The display of $DISPLAY, as the plug-in takes it.
        void* connection = connect(nullptr, nullptr);
        reachable = connection && hasError(connection) == 0;
        if (connection)
            disconnect(connection);
    }
    ::dlclose(xcb);
    return reachable;
}

} // namespace platform
