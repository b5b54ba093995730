#include "content/archive/ExtractCallback.h"

#include "content/archive/DestinationWriter.h"
#include "content/archive/ISevenZipCallback.h"

using namespace sevenzip;

namespace {

// The writer works with Qt strings and containers, which throw when memory
// runs out; nothing may be thrown back into the plug-in.
template <typename Work>
HRESULT guarded(Work work) noexcept
{
    try {
        return work();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace

ExtractCallback::ExtractCallback(ISevenZipCallback* callback, DestinationWriter* writer)
    : m_callback(callback), m_writer(writer)
{
}

HRESULT ExtractCallback::QueryInterface(const Guid& iid, void** object) noexcept
{
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveExtractCallback)
        *object = static_cast<IArchiveExtractCallback*>(this);
    else if (iid == IID_IArchiveExtractCallbackMessage2)
        *object = static_cast<IArchiveExtractCallbackMessage2*>(this);
    else if (iid == IID_ICryptoGetTextPassword)
        *object = static_cast<ICryptoGetTextPassword*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

std::uint32_t ExtractCallback::AddRef() noexcept
{
    return ++m_refs;
}

std::uint32_t ExtractCallback::Release() noexcept
{
    const std::uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT ExtractCallback::SetTotal(std::uint64_t total) noexcept
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bytesTotal = total;
    m_bytesTotalDefined = true;
    return S_OK;
}

HRESULT ExtractCallback::SetCompleted(const std::uint64_t* completed) noexcept
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (completed)
        m_bytesCompleted = *completed;
    reportProgress();
    return S_OK;
}

HRESULT ExtractCallback::Open_SetTotal(const std::uint64_t* files, const std::uint64_t* bytes) noexcept
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filesTotalDefined = files != nullptr;
    if (files)
        m_filesTotal = *files;
    m_bytesTotalDefined = bytes != nullptr;
    if (bytes)
        m_bytesTotal = *bytes;
    return S_OK;
}

HRESULT ExtractCallback::Open_SetCompleted(const std::uint64_t* files, const std::uint64_t* bytes) noexcept
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (files)
        m_filesCompleted = *files;
    if (bytes)
        m_bytesCompleted = *bytes;
    reportProgress();
    return S_OK;
}

void ExtractCallback::reportProgress()
{
    if (!m_callback)
        return;
    // Bytes are the finer measure, so they win whenever both are known.
    if (m_bytesTotalDefined)
        m_callback->progress(m_bytesTotal, m_bytesCompleted);
    else if (m_filesTotalDefined)
        m_callback->progress(m_filesTotal, m_filesCompleted);
    else
        m_callback->progress(0, 0);
}

HRESULT ExtractCallback::GetStream(std::uint32_t index, ISequentialOutStream** stream, std::int32_t askMode) noexcept
{
    *stream = nullptr;
    DestinationWriter* writer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writer = m_writer;
    }
    if (!writer || askMode != AskExtract)
        return S_OK;
    return guarded([&] { return writer->beginItem(index, stream); });
}

HRESULT ExtractCallback::PrepareOperation(std::int32_t) noexcept
{
    return S_OK;
}

HRESULT ExtractCallback::SetOperationResult(std::int32_t result) noexcept
{
    DestinationWriter* writer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writer = m_writer;
    }
    return writer ? guarded([&] { return writer->endItem(result); }) : S_OK;
}

HRESULT ExtractCallback::ReportExtractResult(std::uint32_t indexType, std::uint32_t index, std::int32_t result) noexcept
{
    DestinationWriter* writer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writer = m_writer;
    }
    if (!writer || result == OpOk)
        return S_OK;
    return guarded([&] {
        writer->reportFailure(indexType, index, result);
        return S_OK;
    });
}

HRESULT ExtractCallback::CryptoGetTextPassword(Bstr* password) noexcept
{
    *password = nullptr;
    m_passwordRequested = true;
    return E_ABORT;
}

void ExtractCallback::detachWriter()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writer = nullptr;
}
