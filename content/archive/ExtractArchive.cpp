#include "content/archive/ExtractArchive.h"

#include "content/archive/ArchiveItem.h"
#include "content/archive/ComPtr.h"
#include "content/archive/DestinationWriter.h"
#include "content/archive/ExtractCallback.h"
#include "content/archive/FileInStream.h"
#include "content/archive/SevenZipLibrary.h"
#include "core/Log.h"

#include <QFile>

#include <cerrno>
#include <new>
#include <vector>

using namespace sevenzip;

namespace {

// Decoder threads per extraction. Each thread of the multi-threaded LZMA2
// decoder holds whole blocks in memory; two keep a large package well below
// 400 MiB while staying close to the speed of all eight cores.
constexpr std::uint32_t kDecoderThreads = 2;

void limitThreads(IInArchive* archive)
{
    ComPtr<ISetProperties> properties;
    if (archive->QueryInterface(IID_ISetProperties, properties.out()) != S_OK)
        return;
    const wchar_t* names[] = {L"mt"};
    PropVariant values[1] = {};
    values[0].vt = VT_UI4;
    values[0].ulVal = kDecoderThreads;
    const HRESULT result = properties->SetProperties(names, values, 1);
    if (result != S_OK)
        Log::instance()->debug(QStringLiteral("unpack: thread limit not taken: %1").arg(quint32(result), 8, 16, QLatin1Char('0')));
}

// The archive's items, all checked before anything is written.
bool readItems(const Library& library, IInArchive* archive, std::vector<ArchiveItem>& items, QString& reason)
{
    PropValue errors(library);
    archive->GetArchiveProperty(PropErrorFlags, errors.out());
    if (errors.type() == VT_UI4 && errors.value().ulVal != 0) {
        reason = QStringLiteral("archive errors %1").arg(errors.value().ulVal, 0, 16);
        return false;
    }
    std::uint32_t count = 0;
    if (archive->GetNumberOfItems(&count) != S_OK) {
        reason = QStringLiteral("no item list");
        return false;
    }
    items.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!ArchiveItem::read(library, archive, i, items[i], reason))
            return false;
    }
    return true;
}

void logFailure(const QString& reason, const QString& archivePath)
{
    Log::instance()->critical(QStringLiteral("unpack failed: ") + reason + QStringLiteral(": ") + archivePath);
}

HRESULT failed(HRESULT result, const QString& reason, const QString& archivePath)
{
    logFailure(reason, archivePath);
    return result < 0 ? result : E_FAIL; // S_FALSE from Open is no success here
}

// Opens the archive for callback (which also hears the progress of the
// opening) and reads its items, all checked; a failure is logged. Throws
// "Unsupported" when the library has no 7z format.
HRESULT openArchive(const Library& library, const QString& archive, ExtractCallback* callback,
                    ComPtr<IInArchive>& handler, std::vector<ArchiveItem>& items)
{
    if (library.createObject(CLSID_Format7z, IID_IInArchive, handler.out()) != S_OK || !handler)
        throw "Unsupported";
    limitThreads(handler.get());

    ComPtr<IInStream> input(FileInStream::open(QFile::encodeName(archive).constData()));
    if (!input)
        return failed(resultFromErrno(errno), QStringLiteral("cannot read the archive"), archive);

    // The signature must be at the very start: this is a 7z file, not a
    // file that happens to contain one.
    const std::uint64_t signatureAtStart = 0;
    const HRESULT result = handler->Open(input.get(), &signatureAtStart, static_cast<IArchiveOpenCallback*>(callback));
    if (result != S_OK) {
        const QString reason = callback->passwordRequested() ? QStringLiteral("encrypted archive")
                                                             : QStringLiteral("not a readable 7z archive");
        return failed(result, reason, archive);
    }

    QString reason;
    if (!readItems(library, handler.get(), items, reason)) {
        handler->Close();
        return failed(E_FAIL, reason, archive);
    }
    return S_OK;
}

// Runs work and turns what it throws into false with one log line.
template <typename Work>
bool withoutExceptions(const QString& archivePath, Work work)
{
    try {
        return work();
    } catch (const char* reason) {
        logFailure(QString::fromLatin1(reason), archivePath);
    } catch (const std::bad_alloc&) {
        logFailure(QStringLiteral("out of memory"), archivePath);
    } catch (...) {
        logFailure(QStringLiteral("unexpected error"), archivePath);
    }
    return false;
}

} // namespace

HRESULT extractArchive(const std::wstring& archivePath, const std::wstring& outputDir, ISevenZipCallback* callback)
{
    const QString archive = QString::fromStdWString(archivePath);
    const QString destination = QString::fromStdWString(outputDir);

    // Declared first so that it outlives every object the library may still
    // hold when this function leaves.
    DestinationWriter writer;

    const Library* library = Library::instance();
    if (!library)
        return E_FAIL; // logged by the library loader

    ExtractCallback* extractCallback = new ExtractCallback(callback, &writer);
    extractCallback->AddRef();
    ComPtr<IArchiveExtractCallback> callbackRef(extractCallback);

    ComPtr<IInArchive> handler;
    std::vector<ArchiveItem> items;
    HRESULT result = openArchive(*library, archive, extractCallback, handler, items);
    if (result != S_OK)
        return result;
    if (!writer.open(destination, std::move(items))) {
        handler->Close();
        return failed(E_FAIL, writer.failure(), archive);
    }

    const std::uint32_t allItems = 0xFFFFFFFFu;
    result = handler->Extract(nullptr, allItems, 0, extractCallback);
    extractCallback->detachWriter();
    handler->Close();

    const bool written = writer.finish();
    if (result != S_OK || !written) {
        QString why = writer.failure();
        if (why.isEmpty())
            why = extractCallback->passwordRequested() ? QStringLiteral("encrypted archive") : QStringLiteral("extraction stopped");
        return failed(result, why, archive);
    }
    return S_OK;
}

bool unpackArchive(const QString& archivePath, const QString& destDir, ISevenZipCallback* callback)
{
    // The 7-Zip plug-in fills its own CRC tables when it is loaded.
    return withoutExceptions(archivePath, [&] {
        const std::wstring destination = destDir.toStdWString();
        const std::wstring archive = archivePath.toStdWString();
        return extractArchive(archive, destination, callback) == S_OK;
    });
}

bool listArchive(const QString& archivePath, std::vector<ArchiveItem>& items)
{
    items.clear();
    return withoutExceptions(archivePath, [&] {
        const Library* library = Library::instance();
        if (!library)
            return false; // logged by the library loader
        ExtractCallback* callback = new ExtractCallback(nullptr);
        callback->AddRef();
        ComPtr<IArchiveExtractCallback> callbackRef(callback);
        ComPtr<IInArchive> handler;
        if (openArchive(*library, archivePath, callback, handler, items) != S_OK) {
            items.clear();
            return false;
        }
        handler->Close();
        return true;
    });
}

void removeUnpackLeftovers(const QString& destDir)
{
    DestinationWriter::removeLeftovers(destDir);
}
