#pragma once

#include "content/archive/SevenZipAbi.h"

#include <atomic>

namespace sevenzip {

// The archive file as the plug-in reads it: a seekable stream over an open
// file descriptor, which it owns. Created with one reference.
class FileInStream final : public IInStream
{
public:
    // Null (errno set) when the file cannot be opened for reading or is not
    // a regular file.
    static FileInStream* open(const char* path);

    HRESULT QueryInterface(const Guid& iid, void** object) noexcept override;
    std::uint32_t AddRef() noexcept override;
    std::uint32_t Release() noexcept override;
    HRESULT Read(void* data, std::uint32_t size, std::uint32_t* processed) noexcept override;
    HRESULT Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* newPosition) noexcept override;

private:
    explicit FileInStream(int fd) : m_fd(fd) {}
    ~FileInStream();

    std::atomic<std::uint32_t> m_refs{1};
    const int m_fd;
};

} // namespace sevenzip
