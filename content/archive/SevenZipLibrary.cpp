#include "content/archive/SevenZipLibrary.h"

#include "core/Log.h"
#include "core/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <dlfcn.h>

namespace sevenzip {
namespace {

// The plug-in travels in the launcher's own folder, whatever the system has.
const char kPluginFileName[] = "7z.so";

QMutex g_mutex;
QString g_testLibraryPath;
// Every plug-in loaded so far, by path. Neither the plug-ins nor this table
// are ever released: a pool thread may still extract while the process ends.
QHash<QString, const Library*>* const g_loaded = new QHash<QString, const Library*>;

void refuse(const QString& path, const QString& reason)
{
    Log::instance()->critical(QStringLiteral("7-Zip library refused: ") + path + QStringLiteral(": ") + reason);
}

} // namespace

const Library* Library::instance()
{
    QMutexLocker lock(&g_mutex);
    const QString path =
        g_testLibraryPath.isEmpty() ? joinPath(appDirPath(), QString::fromLatin1(kPluginFileName)) : g_testLibraryPath;
    if (const Library* library = g_loaded->value(path))
        return library;
    const Library* library = load(path);
    if (library)
        g_loaded->insert(path, library);
    return library;
}

const Library* Library::load(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        refuse(path, QStringLiteral("no such file"));
        return nullptr;
    }
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        // The loader's reason, without the path it repeats first.
        QString reason = QString::fromLocal8Bit(dlerror());
        if (reason.startsWith(path + QStringLiteral(": ")))
            reason.remove(0, path.size() + 2);
        refuse(path, reason);
        return nullptr;
    }
    auto symbol = [handle](const char* name) { return dlsym(handle, name); };

    const auto getModuleProp = reinterpret_cast<GetModulePropFunc>(symbol("GetModuleProp"));
    auto* library = new Library;
    library->m_createObject = reinterpret_cast<CreateObjectFunc>(symbol("CreateObject"));
    library->m_variantClear = reinterpret_cast<VariantClearFunc>(symbol("VariantClear"));
    library->m_sysFreeString = reinterpret_cast<SysFreeStringFunc>(symbol("SysFreeString"));
    library->m_sysStringLen = reinterpret_cast<std::uint32_t (*)(const wchar_t*)>(symbol("SysStringLen"));

    QString problem;
    if (!getModuleProp || !library->m_createObject || !library->m_variantClear || !library->m_sysFreeString
        || !library->m_sysStringLen) {
        problem = QStringLiteral("missing exports");
    } else {
        // Without this answer the layout of every object is unknown, so
        // nothing else may be called.
        PropVariant layout{};
        const HRESULT result = getModuleProp(ModulePropInterfaceType, &layout);
        if (result != S_OK || layout.vt != VT_UI4 || layout.ulVal != InterfaceTypeNoVirtualDestructor)
            problem = QStringLiteral("interface type %1").arg(layout.vt == VT_UI4 ? qint64(layout.ulVal) : -1);
        PropVariant version{};
        if (getModuleProp(ModulePropVersion, &version) == S_OK && version.vt == VT_UI4)
            library->m_version = version.ulVal;
    }
    if (!problem.isEmpty()) {
        refuse(path, problem);
        delete library;
        dlclose(handle);
        return nullptr;
    }
    Log::instance()->debug(QStringLiteral("7-Zip library %1.%2 loaded: %3")
                               .arg(library->m_version >> 16)
                               .arg(library->m_version & 0xFFFF, 2, 10, QLatin1Char('0'))
                               .arg(path));
    return library;
}

HRESULT Library::createObject(const Guid& classId, const Guid& interfaceId, void** object) const
{
    *object = nullptr;
    return m_createObject(&classId, &interfaceId, object);
}

void Library::clear(PropVariant& value) const
{
    if (value.vt != VT_EMPTY)
        m_variantClear(&value);
    value.vt = VT_EMPTY;
}

void Library::freeString(Bstr text) const
{
    if (text)
        m_sysFreeString(text);
}

QString Library::toQString(const wchar_t* text) const
{
    if (!text)
        return QString();
    const std::uint32_t length = m_sysStringLen(text);
    QString result(QLatin1String(""));
    result.reserve(int(length));
    for (std::uint32_t i = 0; i < length; ++i) {
        const auto unit = std::uint32_t(text[i]);
        if (unit == 0 || unit > 0x10FFFF)
            return QString();
        if (unit > 0xFFFF) {
            result.append(QChar(QChar::highSurrogate(unit)));
            result.append(QChar(QChar::lowSurrogate(unit)));
        } else {
            result.append(QChar(char16_t(unit)));
        }
    }
    // Units one per wchar_t: a pair arrives as two neighbours and is joined
    // by QString itself; a lone half is not text.
    if (!result.isValidUtf16())
        return QString();
    return result;
}

QString PropValue::toQString() const
{
    return m_value.vt == VT_BSTR ? m_library.toQString(m_value.bstrVal) : QString();
}

void setLibraryPathForTests(const QString& path)
{
    QMutexLocker lock(&g_mutex);
    g_testLibraryPath = path;
}

} // namespace sevenzip
