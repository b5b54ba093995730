#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace platform {

// The per-user registry (HKEY_CURRENT_USER): keys named by paths with "\"
// between the levels, each holding named text (REG_SZ) and number (REG_DWORD)
// values. Key and value names compare without regard to letter case; the
// spelling first written is kept. Values stay in the order they were first
// written; writing an existing value replaces it in its place.
//
// The store lives below $XDG_CONFIG_HOME/QMXLauncher/registry/HKEY_CURRENT_USER,
// one folder per key. A key's values are the lines of the file "values.reg"
// in its folder, after a header line naming the key:
//   "DisplayName"="Quillmere 4"
//   "NoModify"=dword:00000001
// with "\" and '"' escaped by a backslash and line breaks written as \n and \r.
// Every change rewrites that file whole and renames it into place, under
// the store's lock (the file "HKEY_CURRENT_USER.lock" beside the store), so a
// change is atomic across processes; one that cannot get the lock within
// 10 s fails.

// Result codes, numbered like the Win32 ones the callers compare with.
enum RegistryResult : long {
    RegistrySuccess = 0,        // ERROR_SUCCESS
    RegistryNotFound = 2,       // the key does not exist
    RegistryAccessDenied = 5,   // a key with subkeys, or a folder that cannot be removed
    RegistryWriteFault = 29,    // the store could not be written
    RegistryInvalidName = 123,  // an empty, "." or ".." level, or one with "/" in it
    RegistryCorrupt = 1015,     // a values file that does not read back
};

struct RegistryValue
{
    enum Type { Text, Number }; // REG_SZ, REG_DWORD

    QString name;
    Type type = Text;
    QString text;
    quint32 number = 0;

    bool operator==(const RegistryValue& other) const
    {
        return name == other.name && type == other.type && text == other.text && number == other.number;
    }
};

// An open key. Nothing stays open on disk between the calls: every set reads
// the key's file, changes it and writes it back.
class RegistryKey
{
public:
    // Opens the key, creating it and any missing levels above it.
    long create(const QString& path);
    bool isOpen() const { return !m_dir.isEmpty(); }
    long setText(const QString& name, const QString& data);
    long setNumber(const QString& name, quint32 data);
    void close();

private:
    long setValue(const RegistryValue& value);

    QString m_dir;
    QString m_path;
};

// Deletes a key that has no subkeys, with its values.
long deleteRegistryKey(const QString& path);

// Makes the values of a key exactly these, in this order, in one change;
// the key and any missing levels above it are created.
long writeRegistryKey(const QString& path, const QList<RegistryValue>& values);

// The same, handing before (when given) whether the key existed and the
// values it held, under the same lock and before anything is written, so
// that what is replaced is exactly what was there. When before returns
// false nothing is written and the result is RegistryWriteFault. A key that
// did not exist is not left behind when its values cannot be written.
long replaceRegistryKey(const QString& path, const QList<RegistryValue>& values,
                        const std::function<bool(bool existed, const QList<RegistryValue>& previous)>& before);

// The values of a key, in their order.
long readRegistryKey(const QString& path, QList<RegistryValue>* values);

} // namespace platform
