#pragma once

#include "content/archive/SevenZipAbi.h"

#include <QtGlobal>

#include <atomic>
#include <mutex>

class DestinationWriter;
class ISevenZipCallback;

// The object the 7-Zip library calls back during one extraction: it counts
// files and bytes, passes progress on to the engine's sink, and hands each
// item's data to the DestinationWriter.
//
// The library may call it from its own decoder threads, so the counters sit
// behind a mutex and the sink is called under it: reports arrive one at a
// time and in order.
//
// Created on the heap with a reference count of 0; deletes itself when the
// count drops back to 0.
class ExtractCallback final : public sevenzip::IArchiveExtractCallback,
                              public sevenzip::IArchiveOpenCallback,
                              public sevenzip::IArchiveExtractCallbackMessage2,
                              public sevenzip::ICryptoGetTextPassword
{
public:
    // callback may be null (nothing is reported), and so may writer (every
    // item's data is then skipped, which only tests want). Neither is owned.
    explicit ExtractCallback(ISevenZipCallback* callback, DestinationWriter* writer = nullptr);

    // IUnknown. IUnknown, IProgress and IArchiveExtractCallback give the
    // extract part, the other two interfaces their own parts. The open part
    // is handed to the library directly and is not reachable from here.
    sevenzip::HRESULT QueryInterface(const sevenzip::Guid& iid, void** object) noexcept override;
    std::uint32_t AddRef() noexcept override;
    std::uint32_t Release() noexcept override;

    // Extraction progress, in bytes. SetTotal only stores; SetCompleted
    // (a null pointer keeps the last count) reports.
    sevenzip::HRESULT SetTotal(std::uint64_t total) noexcept override;
    sevenzip::HRESULT SetCompleted(const std::uint64_t* completed) noexcept override;

    // Progress of opening the archive. A null pointer in Open_SetTotal makes
    // that total undefined (its old value stays); Open_SetTotal only stores,
    // Open_SetCompleted reports.
    sevenzip::HRESULT Open_SetTotal(const std::uint64_t* files, const std::uint64_t* bytes) noexcept override;
    sevenzip::HRESULT Open_SetCompleted(const std::uint64_t* files, const std::uint64_t* bytes) noexcept override;

    // Items: forwarded to the writer.
    sevenzip::HRESULT GetStream(std::uint32_t index, sevenzip::ISequentialOutStream** stream, std::int32_t askMode) noexcept override;
    sevenzip::HRESULT PrepareOperation(std::int32_t askMode) noexcept override;
    sevenzip::HRESULT SetOperationResult(std::int32_t result) noexcept override;
    sevenzip::HRESULT ReportExtractResult(std::uint32_t indexType, std::uint32_t index, std::int32_t result) noexcept override;

    // Encrypted archives are not supported: no password is ever given, and
    // the request is remembered so that the failure can be named.
    sevenzip::HRESULT CryptoGetTextPassword(sevenzip::Bstr* password) noexcept override;
    bool passwordRequested() const { return m_passwordRequested; }

    // Forgets the writer once the library's Extract has returned, in case
    // the library still holds a reference to this object.
    void detachWriter();

private:
    ~ExtractCallback() = default;
    void reportProgress(); // with m_mutex held

    std::atomic<std::uint32_t> m_refs{0};
    std::mutex m_mutex;
    bool m_filesTotalDefined = false;
    bool m_bytesTotalDefined = false;
    quint64 m_filesTotal = 0;
    quint64 m_bytesTotal = 0;
    quint64 m_filesCompleted = 0;
    quint64 m_bytesCompleted = 0;
    ISevenZipCallback* const m_callback;
    DestinationWriter* m_writer;
    std::atomic<bool> m_passwordRequested{false};
};
