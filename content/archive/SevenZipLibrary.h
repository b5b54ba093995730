#pragma once

#include "content/archive/SevenZipAbi.h"

#include <QString>

namespace sevenzip {

// The 7-Zip archive plug-in, loaded with dlopen on first use and kept for the
// life of the process (its coder threads and static data must never see it
// unloaded). Only a plug-in whose root interface has no virtual destructor,
// as SevenZipAbi.h declares it, is accepted.
class Library
{
public:
    // The plug-in "7z.so" in the application directory (or the one the tests
    // chose), or null when it cannot be used: missing, not loadable, lacking
    // one of the functions below, or reporting another interface layout.
    // Each refusal writes one critical log line with the file and the reason.
    // Thread-safe.
    static const Library* instance();

    HRESULT createObject(const Guid& classId, const Guid& interfaceId, void** object) const;

    // Releases whatever the plug-in stored in value and empties it.
    void clear(PropVariant& value) const;
    void freeString(Bstr text) const;

    // The plug-in's string as text: one UTF-16 unit per wchar_t, surrogate
    // pairs joined (a full code point in one wchar_t is accepted too). A null
    // QString when the text is not valid UTF-16 or holds a NUL character.
    QString toQString(const wchar_t* text) const;

    // major << 16 | minor, as the plug-in reports it.
    std::uint32_t version() const { return m_version; }

private:
    Library() = default;
    static const Library* load(const QString& path);

    CreateObjectFunc m_createObject = nullptr;
    VariantClearFunc m_variantClear = nullptr;
    SysFreeStringFunc m_sysFreeString = nullptr;
    std::uint32_t (*m_sysStringLen)(const wchar_t*) = nullptr;
    std::uint32_t m_version = 0;
};

// A property value that the plug-in filled, cleared by the plug-in when it
// goes out of scope.
class PropValue
{
public:
    explicit PropValue(const Library& library) : m_library(library) {}
    ~PropValue() { m_library.clear(m_value); }
    PropValue(const PropValue&) = delete;
    PropValue& operator=(const PropValue&) = delete;

    // For the plug-in to fill; must be empty.
    PropVariant* out() { return &m_value; }
    const PropVariant& value() const { return m_value; }
    VarType type() const { return m_value.vt; }

    bool toBool(bool fallback) const { return m_value.vt == VT_BOOL ? m_value.boolVal != 0 : fallback; }
    // A null QString when the value is not a (valid) string.
    QString toQString() const;

private:
    const Library& m_library;
    PropVariant m_value{};
};

// Tests only: load the plug-in from here instead of the product's path. An
// empty path restores the product's behaviour.
void setLibraryPathForTests(const QString& path);

} // namespace sevenzip
