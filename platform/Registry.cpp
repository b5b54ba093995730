#include "platform/Registry.h"

#include "platform/FileLock.h"
#include "platform/SaveFile.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <functional>
#include <memory>

namespace platform {
namespace {

const QString kValuesFile = QStringLiteral("values.reg");
const QString kRootName = QStringLiteral("HKEY_CURRENT_USER");

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QString storeRoot()
{
    QString appData;
    if (!shellFolder(FolderAppData, &appData))
        return QString();
    return appData + QStringLiteral("/QMXLauncher/registry/") + kRootName;
}

// How long a change waits for another process's change of the store.
const int kStoreLockWaitMs = 10000;

// Every change of the store reads a key's values, changes them and writes
// them back; two processes doing that at once would each write what the
// other had not seen. A change therefore holds the store's lock, a file
// beside the store, and one that cannot get it in time fails.
class StoreLock
{
public:
    // create: the store's folder is made for the lock file when missing.
    explicit StoreLock(bool create)
    {
        const QString root = storeRoot();
        if (root.isEmpty())
            return;
        const QString folder = QFileInfo(root).absolutePath();
        if (!QFileInfo(folder).isDir() && (!create || !QDir().mkpath(folder)))
            return;
        m_lock.reset(new FileLock(root + QStringLiteral(".lock"), kStoreLockWaitMs));
    }

    bool isLocked() const { return m_lock && m_lock->isLocked(); }

private:
    std::unique_ptr<FileLock> m_lock;
};

// The levels of a key path. Each level becomes a folder name, so names that a
// folder cannot carry, or that would leave the store, are refused.
bool splitKeyPath(const QString& path, QStringList* levels)
{
    *levels = path.split(QLatin1Char('\\'));
    for (const QString& level : *levels) {
        if (level.isEmpty() || level == QLatin1String(".") || level == QLatin1String("..")
            || level.contains(QLatin1Char('/')) || level.contains(QChar(0)) || sameName(level, kValuesFile))
            return false;
    }
    return true;
}

// The existing subfolder of dir whose name matches without regard to case.
QString findLevel(const QString& dir, const QString& name)
{
    const QStringList entries =
        QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (sameName(entry, name))
            return entry;
    }
    return QString();
}

// Finds the folder of a key, creating the missing levels when asked. keyPath
// receives the key's path in the spelling the store keeps.
long keyFolder(const QString& path, bool create, QString* folder, QString* keyPath = nullptr)
{
    QStringList levels;
    if (!splitKeyPath(path, &levels))
        return RegistryInvalidName;
    QString dir = storeRoot();
    if (dir.isEmpty())
        return create ? RegistryWriteFault : RegistryNotFound;
    QStringList stored;
    for (const QString& level : levels) {
        QString existing = findLevel(dir, level);
        if (existing.isEmpty()) {
            if (!create)
                return RegistryNotFound;
            if (!QDir().mkpath(dir + QLatin1Char('/') + level))
                return RegistryWriteFault;
            existing = level;
        }
        dir += QLatin1Char('/') + existing;
        stored << existing;
    }
    *folder = dir;
    if (keyPath)
        *keyPath = stored.join(QLatin1Char('\\'));
    return RegistrySuccess;
}

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c; break;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// Reads a quoted text at pos and moves pos past it.
bool readQuoted(const QString& line, int* pos, QString* text)
{
    int i = *pos;
    if (i >= line.size() || line[i] != QLatin1Char('"'))
        return false;
    text->clear();
    for (++i; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) {
            *pos = i + 1;
            return true;
        }
        if (c != QLatin1Char('\\')) {
            *text += c;
            continue;
        }
        if (++i >= line.size())
            return false;
        switch (line[i].unicode()) {
        case '\\': *text += QLatin1Char('\\'); break;
        case '"': *text += QLatin1Char('"'); break;
        case 'n': *text += QLatin1Char('\n'); break;
        case 'r': *text += QLatin1Char('\r'); break;
        default: return false;
        }
    }
    return false;
}

bool parseValue(const QString& line, RegistryValue* value)
{
    int pos = 0;
    if (!readQuoted(line, &pos, &value->name) || pos >= line.size() || line[pos] != QLatin1Char('='))
        return false;
    ++pos;
    const QString dword = QStringLiteral("dword:");
    if (line.midRef(pos).startsWith(dword)) {
        const QStringRef digits = line.midRef(pos + dword.size());
        bool ok = false;
        value->type = RegistryValue::Number;
        value->number = digits.toUInt(&ok, 16);
        return ok && digits.size() == 8;
    }
    value->type = RegistryValue::Text;
    return readQuoted(line, &pos, &value->text) && pos == line.size();
}

long readValues(const QString& folder, QList<RegistryValue>* values)
{
    values->clear();
    QFile file(folder + QLatin1Char('/') + kValuesFile);
    if (!file.exists())
        return RegistrySuccess; // a key without values
    if (!file.open(QIODevice::ReadOnly))
        return RegistryCorrupt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('[')))
            continue;
        RegistryValue value;
        if (!parseValue(line, &value))
            return RegistryCorrupt;
        values->append(value);
    }
    return RegistrySuccess;
}

long writeValues(const QString& folder, const QString& keyPath, const QList<RegistryValue>& values)
{
    QString text = QLatin1Char('[') + kRootName + QLatin1Char('\\') + keyPath + QStringLiteral("]\n");
    for (const RegistryValue& value : values) {
        text += quoted(value.name) + QLatin1Char('=');
        if (value.type == RegistryValue::Number)
            text += QStringLiteral("dword:%1").arg(value.number, 8, 16, QLatin1Char('0'));
        else
            text += quoted(value.text);
        text += QLatin1Char('\n');
    }
    if (saveWholeFile(folder + QLatin1Char('/') + kValuesFile, text.toUtf8()) != QFileDevice::NoError)
        return RegistryWriteFault;
    return RegistrySuccess;
}

// The folder of a key to change, made when missing, once the store's lock
// is held.
long lockedKeyFolder(const StoreLock& lock, const QString& path, QString* folder, QString* keyPath)
{
    if (!lock.isLocked())
        return RegistryWriteFault;
    return keyFolder(path, true, folder, keyPath);
}

} // namespace

long RegistryKey::create(const QString& path)
{
    close();
    const StoreLock lock(true);
    QString folder;
    QString keyPath;
    const long result = lockedKeyFolder(lock, path, &folder, &keyPath);
    if (result != RegistrySuccess)
        return result;
    // An unreadable values file is not opened: writing to it would lose what it holds.
    QList<RegistryValue> values;
    const long readResult = readValues(folder, &values);
    if (readResult != RegistrySuccess)
        return readResult;
    m_dir = folder;
    m_path = keyPath;
    return RegistrySuccess;
}

long RegistryKey::setText(const QString& name, const QString& data)
{
    RegistryValue value;
    value.name = name;
    value.type = RegistryValue::Text;
    value.text = data;
    return setValue(value);
}

long RegistryKey::setNumber(const QString& name, quint32 data)
{
    RegistryValue value;
    value.name = name;
    value.type = RegistryValue::Number;
    value.number = data;
    return setValue(value);
}

long RegistryKey::setValue(const RegistryValue& value)
{
    if (!isOpen())
        return RegistryNotFound;
    if (!QDir(m_dir).exists())
        return RegistryNotFound; // deleted while open
    const StoreLock lock(false);
    if (!lock.isLocked())
        return RegistryWriteFault;
    if (!QDir(m_dir).exists())
        return RegistryNotFound;
    QList<RegistryValue> values;
    const long result = readValues(m_dir, &values);
    if (result != RegistrySuccess)
        return result;
    bool replaced = false;
    for (RegistryValue& existing : values) {
        if (sameName(existing.name, value.name)) {
            const QString storedName = existing.name;
            existing = value;
            existing.name = storedName;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        values.append(value);
    return writeValues(m_dir, m_path, values);
}

void RegistryKey::close()
{
    m_dir.clear();
    m_path.clear();
}

long deleteRegistryKey(const QString& path)
{
    QString folder;
    long result = keyFolder(path, false, &folder);
    if (result != RegistrySuccess)
        return result;
    const StoreLock lock(false);
    if (!lock.isLocked())
        return RegistryAccessDenied;
    // Looked up again under the lock: another process may have removed it.
    result = keyFolder(path, false, &folder);
    if (result != RegistrySuccess)
        return result;
    QDir dir(folder);
    if (!dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).isEmpty())
        return RegistryAccessDenied;
    // The folder holds the values file and, after a crash, at most a
    // half-written copy of it; both go with the key.
    for (const QString& file : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!dir.remove(file))
            return RegistryAccessDenied;
    }
    if (!QDir().rmdir(folder))
        return RegistryAccessDenied;
    return RegistrySuccess;
}

long writeRegistryKey(const QString& path, const QList<RegistryValue>& values)
{
    return replaceRegistryKey(path, values, nullptr);
}

long replaceRegistryKey(const QString& path, const QList<RegistryValue>& values,
                        const std::function<bool(bool existed, const QList<RegistryValue>& previous)>& before)
{
    const StoreLock lock(true);
    if (!lock.isLocked())
        return RegistryWriteFault;
    QString folder;
    QString keyPath;
    const bool existed = keyFolder(path, false, &folder, &keyPath) == RegistrySuccess;
    QList<RegistryValue> previous;
    if (existed) {
        // What cannot be read back is not overwritten: it would be lost.
        const long result = readValues(folder, &previous);
        if (result != RegistrySuccess)
            return result;
    }
    if (before && !before(existed, previous))
        return RegistryWriteFault;
    if (!existed) {
        const long result = keyFolder(path, true, &folder, &keyPath);
        if (result != RegistrySuccess)
            return result;
    }
    const long result = writeValues(folder, keyPath, values);
    // A key made for values that could not be written is no key.
    if (result != RegistrySuccess && !existed)
        QDir().rmdir(folder);
    return result;
}

long readRegistryKey(const QString& path, QList<RegistryValue>* values)
{
    values->clear();
    QString folder;
    const long result = keyFolder(path, false, &folder);
    if (result != RegistrySuccess)
        return result;
    return readValues(folder, values);
}

} // namespace platform
