#pragma once

// The binary interface of the 7-Zip archive plug-in (7z.so), reduced to what
// the extraction driver needs. The plug-in speaks a COM-like protocol: objects
// are reached through tables of virtual functions whose order is fixed, each
// table starting with the three reference-counting slots below, and every
// interface is named by a 16-byte identifier. Only the slot order, the
// argument types and the identifiers matter to the binary interface; the
// names here are ours.
//
// The plug-in is built with the same C++ ABI as the launcher (Itanium,
// 64-bit), with a 4-byte wchar_t, and without a virtual destructor in its
// root interface; SevenZipLibrary refuses a plug-in that reports another
// layout.

#include <cstdint>

namespace sevenzip {

using HRESULT = std::int32_t;
using PropId = std::uint32_t;
using VarType = std::uint16_t;

// Strings that cross the interface: wchar_t arrays with a 4-byte length
// prefix, holding UTF-16 code units one per wchar_t. Strings the plug-in
// hands out are freed with its own SysFreeString (or VariantClear).
using Bstr = wchar_t*;
static_assert(sizeof(wchar_t) == 4, "the plug-in's strings hold 4-byte wchar_t");

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_ABORT = HRESULT(0x80004004u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);

// An operating-system error number as a result code (the FACILITY_WIN32
// form the plug-in itself uses for errno values).
constexpr HRESULT resultFromErrno(int error)
{
    return error > 0 ? HRESULT(0x80070000u | (std::uint32_t(error) & 0xFFFFu)) : E_FAIL;
}

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

inline bool operator==(const Guid& a, const Guid& b)
{
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i])
            return false;
    }
    return true;
}

// The plug-in's own interfaces share one pattern: a group number (streams,
// archives, crypto ...) and an id within the group.
constexpr Guid pluginInterfaceId(std::uint8_t group, std::uint8_t id)
{
    return Guid{0x23170F69u, 0x40C1u, 0x278Au, {0, 0, 0, group, 0, id, 0, 0}};
}

constexpr Guid IID_IUnknown{0x00000000u, 0x0000u, 0x0000u, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid IID_IProgress = pluginInterfaceId(0x00, 0x05);
constexpr Guid IID_ISequentialInStream = pluginInterfaceId(0x03, 0x01);
constexpr Guid IID_ISequentialOutStream = pluginInterfaceId(0x03, 0x02);
constexpr Guid IID_IInStream = pluginInterfaceId(0x03, 0x03);
constexpr Guid IID_ICryptoGetTextPassword = pluginInterfaceId(0x05, 0x10);
constexpr Guid IID_ISetProperties = pluginInterfaceId(0x06, 0x03);
constexpr Guid IID_IArchiveOpenCallback = pluginInterfaceId(0x06, 0x10);
constexpr Guid IID_IArchiveExtractCallback = pluginInterfaceId(0x06, 0x20);
constexpr Guid IID_IArchiveExtractCallbackMessage2 = pluginInterfaceId(0x06, 0x22);
constexpr Guid IID_IInArchive = pluginInterfaceId(0x06, 0x60);

// The class of the 7z format handler (format handlers are numbered in the
// fourth and sixth bytes of data4; 7z is format 7).
constexpr Guid CLSID_Format7z{0x23170F69u, 0x40C1u, 0x278Au, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

// Variant types used in PropVariant.
enum : VarType {
    VT_EMPTY = 0,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UI4 = 19,
    VT_UI8 = 21,
    VT_FILETIME = 64,
};

constexpr std::int16_t VARIANT_TRUE = -1;

// Windows file time: 100 ns ticks since 1601-01-01 UTC.
struct FileTime {
    std::uint32_t low;
    std::uint32_t high;
};

// A tagged value: 8 bytes of type and padding, then an 8-byte union.
struct PropVariant {
    VarType vt;
    std::uint16_t reserved1;
    std::uint16_t reserved2;
    std::uint16_t reserved3;
    union {
        std::uint32_t ulVal;
        std::uint64_t uhVal;
        std::int16_t boolVal;
        Bstr bstrVal;
        FileTime filetime;
    };
};
static_assert(sizeof(PropVariant) == 16, "PropVariant must match the plug-in's layout");

// Properties of the plug-in itself (GetModuleProp).
enum ModuleProp : PropId {
    ModulePropInterfaceType = 0, // VT_UI4: 0 = the root interface has no virtual destructor
    ModulePropVersion = 1,       // VT_UI4: major << 16 | minor
};
constexpr std::uint32_t InterfaceTypeNoVirtualDestructor = 0;

// Item and archive property ids (the plug-in's fixed numbering).
enum ItemProp : PropId {
    PropPath = 3,        // VT_BSTR, "/"-separated relative path
    PropIsDir = 6,       // VT_BOOL
    PropSize = 7,        // VT_UI8
    PropAttrib = 9,      // VT_UI4, Windows attributes; see AttribUnixExtension
    PropMTime = 12,      // VT_FILETIME
    PropEncrypted = 15,  // VT_BOOL
    PropIsAnti = 21,     // VT_BOOL, an item that deletes its path on update
    PropPosixAttrib = 53, // VT_UI4, st_mode
    PropSymLink = 54,    // VT_BSTR, link target when the format keeps it apart from the data
    PropErrorFlags = 71, // archive property, VT_UI4, non-zero when the open found errors
    PropHardLink = 90,   // VT_BSTR
};

// Windows attribute bits the 7z format uses; when the extension bit is set,
// the upper 16 bits hold a POSIX st_mode (the 7z command stores symbolic
// links this way, with the link target as the item's data).
constexpr std::uint32_t AttribDirectory = 0x10;
constexpr std::uint32_t AttribUnixExtension = 0x8000;

// What the plug-in asks for an item in GetStream / PrepareOperation.
enum AskMode : std::int32_t {
    AskExtract = 0,
    AskTest = 1,
    AskSkip = 2,
    AskReadExternal = 3,
};

// How an item ended (SetOperationResult, ReportExtractResult).
enum OperationResult : std::int32_t {
    OpOk = 0,
    OpUnsupportedMethod = 1,
    OpDataError = 2,
    OpCrcError = 3,
    OpUnavailable = 4,
    OpUnexpectedEnd = 5,
    OpDataAfterEnd = 6,
    OpIsNotArc = 7,
    OpHeadersError = 8,
    OpWrongPassword = 9,
};

enum SeekOrigin : std::uint32_t {
    SeekSet = 0,
    SeekCur = 1,
    SeekEnd = 2,
};

// The interfaces. Destructors are protected and non-virtual: objects are
// destroyed only by their own Release, and the tables must not gain a
// destructor slot.

struct IUnknown {
    virtual HRESULT QueryInterface(const Guid& iid, void** object) noexcept = 0;
    virtual std::uint32_t AddRef() noexcept = 0;
    virtual std::uint32_t Release() noexcept = 0;

protected:
    ~IUnknown() = default;
};

struct ISequentialInStream : IUnknown {
    // Reads up to size bytes; fewer only at the end of the stream.
    virtual HRESULT Read(void* data, std::uint32_t size, std::uint32_t* processed) noexcept = 0;

protected:
    ~ISequentialInStream() = default;
};

struct IInStream : ISequentialInStream {
    virtual HRESULT Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* newPosition) noexcept = 0;

protected:
    ~IInStream() = default;
};

struct ISequentialOutStream : IUnknown {
    // May write fewer bytes than asked; the caller then writes the rest.
    virtual HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* processed) noexcept = 0;

protected:
    ~ISequentialOutStream() = default;
};

struct IProgress : IUnknown {
    virtual HRESULT SetTotal(std::uint64_t total) noexcept = 0;
    virtual HRESULT SetCompleted(const std::uint64_t* completed) noexcept = 0;

protected:
    ~IProgress() = default;
};

// Progress of opening an archive; either pointer may be null.
struct IArchiveOpenCallback : IUnknown {
    virtual HRESULT Open_SetTotal(const std::uint64_t* files, const std::uint64_t* bytes) noexcept = 0;
    virtual HRESULT Open_SetCompleted(const std::uint64_t* files, const std::uint64_t* bytes) noexcept = 0;

protected:
    ~IArchiveOpenCallback() = default;
};

struct IArchiveExtractCallback : IProgress {
    // A null stream with S_OK skips the item's data.
    virtual HRESULT GetStream(std::uint32_t index, ISequentialOutStream** stream, std::int32_t askMode) noexcept = 0;
    virtual HRESULT PrepareOperation(std::int32_t askMode) noexcept = 0;
    virtual HRESULT SetOperationResult(std::int32_t result) noexcept = 0;

protected:
    ~IArchiveExtractCallback() = default;
};

// Results of items that the plug-in could not hand to GetStream (for
// instance the rest of a damaged solid block).
struct IArchiveExtractCallbackMessage2 : IUnknown {
    virtual HRESULT ReportExtractResult(std::uint32_t indexType, std::uint32_t index, std::int32_t result) noexcept = 0;

protected:
    ~IArchiveExtractCallbackMessage2() = default;
};

struct ICryptoGetTextPassword : IUnknown {
    virtual HRESULT CryptoGetTextPassword(Bstr* password) noexcept = 0;

protected:
    ~ICryptoGetTextPassword() = default;
};

struct ISetProperties : IUnknown {
    virtual HRESULT SetProperties(const wchar_t* const* names, const PropVariant* values, std::uint32_t count) noexcept = 0;

protected:
    ~ISetProperties() = default;
};

struct IInArchive : IUnknown {
    // maxCheckStartPosition: how far into the stream the signature may be
    // searched; 0 accepts an archive only at the start.
    virtual HRESULT Open(IInStream* stream, const std::uint64_t* maxCheckStartPosition, IArchiveOpenCallback* callback) noexcept = 0;
    virtual HRESULT Close() noexcept = 0;
    virtual HRESULT GetNumberOfItems(std::uint32_t* count) noexcept = 0;
    virtual HRESULT GetProperty(std::uint32_t index, PropId prop, PropVariant* value) noexcept = 0;
    // indices null with count 0xFFFFFFFF means every item; testMode 0 extracts.
    virtual HRESULT Extract(const std::uint32_t* indices, std::uint32_t count, std::int32_t testMode, IArchiveExtractCallback* callback) noexcept = 0;
    virtual HRESULT GetArchiveProperty(PropId prop, PropVariant* value) noexcept = 0;
    virtual HRESULT GetNumberOfProperties(std::uint32_t* count) noexcept = 0;
    virtual HRESULT GetPropertyInfo(std::uint32_t index, Bstr* name, PropId* prop, VarType* type) noexcept = 0;
    virtual HRESULT GetNumberOfArchiveProperties(std::uint32_t* count) noexcept = 0;
    virtual HRESULT GetArchivePropertyInfo(std::uint32_t index, Bstr* name, PropId* prop, VarType* type) noexcept = 0;

protected:
    ~IInArchive() = default;
};

// The plug-in's exported functions.
using CreateObjectFunc = HRESULT (*)(const Guid* classId, const Guid* interfaceId, void** object);
using GetModulePropFunc = HRESULT (*)(PropId prop, PropVariant* value);
using VariantClearFunc = HRESULT (*)(PropVariant* value);
using SysFreeStringFunc = void (*)(Bstr text);

} // namespace sevenzip
