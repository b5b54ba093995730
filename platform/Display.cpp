#include "platform/Display.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QtGlobal>

#include <dlfcn.h>

namespace platform {
namespace {

const QString kXcb = QStringLiteral("xcb");

bool carries(const QStringList& carried, const QString& key)
{
    return carried.contains(key, Qt::CaseInsensitive);
}

} // namespace

QByteArray choosePlatform(const QByteArray& requested, const QStringList& carried, bool xDisplay)
{
    const auto canServe = [&](const QString& key) {
        return carries(carried, key) && (key.compare(kXcb, Qt::CaseInsensitive) != 0 || xDisplay);
    };
    for (const QByteArray& entry : requested.split(';')) {
        if (canServe(QString::fromUtf8(entry.split(':').first())))
            return entry;
    }
    return canServe(kXcb) ? kXcb.toUtf8() : QByteArray();
}

QStringList platformPluginKeys(const QString& folder)
{
    QStringList keys;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        // Read from the file; nothing is loaded.
        const QJsonObject metaData = QPluginLoader(dir.filePath(name)).metaData().value(QStringLiteral("MetaData")).toObject();
        for (const QJsonValue& key : metaData.value(QStringLiteral("Keys")).toArray())
            keys << key.toString();
    }
    return keys;
}

bool xDisplayReachable()
{
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

QByteArray windowPlatform(const QString& pluginFolder)
{
    const QStringList carried = platformPluginKeys(pluginFolder);
    return choosePlatform(qgetenv("QT_QPA_PLATFORM"), carried, carries(carried, kXcb) && xDisplayReachable());
}

} // namespace platform
