#include "content/archive/FileInStream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sevenzip {

FileInStream* FileInStream::open(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return nullptr;
    }
    return new FileInStream(fd);
}

FileInStream::~FileInStream()
{
    ::close(m_fd);
}

HRESULT FileInStream::QueryInterface(const Guid& iid, void** object) noexcept
{
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream) {
        *object = static_cast<IInStream*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

std::uint32_t FileInStream::AddRef() noexcept
{
    return ++m_refs;
}

std::uint32_t FileInStream::Release() noexcept
{
    const std::uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT FileInStream::Read(void* data, std::uint32_t size, std::uint32_t* processed) noexcept
{
    if (processed)
        *processed = 0;
    ssize_t done;
    do {
        done = ::read(m_fd, data, size);
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        return resultFromErrno(errno);
    if (processed)
        *processed = std::uint32_t(done);
    return S_OK;
}

HRESULT FileInStream::Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* newPosition) noexcept
{
    int whence;
    switch (origin) {
    case SeekSet: whence = SEEK_SET; break;
    case SeekCur: whence = SEEK_CUR; break;
    case SeekEnd: whence = SEEK_END; break;
    default: return E_INVALIDARG;
    }
    const off_t position = ::lseek(m_fd, off_t(offset), whence);
    if (position < 0)
        return resultFromErrno(errno);
    if (newPosition)
        *newPosition = std::uint64_t(position);
    return S_OK;
}

} // namespace sevenzip
