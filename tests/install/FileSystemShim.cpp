// Preloaded (LD_PRELOAD) into a test's child process to make its file
// system behave as another one does, as FILE_SYSTEM_SHIM says:
//   no-hard-links  link() and linkat() fail with EPERM, as on FAT, exFAT
//                  and some FUSE file systems;
//   nfs-locks      flock() takes a lock over the whole file as NFS does,
//                  which an exclusive lock needs a descriptor opened for
//                  writing for (EBADF otherwise).

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

bool shimIs(const char* name)
{
    const char* shim = std::getenv("FILE_SYSTEM_SHIM");
    return shim && std::strcmp(shim, name) == 0;
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int link(const char* from, const char* to)
{
    if (shimIs("no-hard-links")) {
        errno = EPERM;
        return -1;
    }
    return next<int (*)(const char*, const char*)>("link")(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    if (shimIs("no-hard-links")) {
        errno = EPERM;
        return -1;
    }
    return next<int (*)(int, const char*, int, const char*, int)>("linkat")(fromDir, from, toDir, to, flags);
}

int flock(int fd, int operation)
{
    if (!shimIs("nfs-locks"))
        return next<int (*)(int, int)>("flock")(fd, operation);
    struct flock lock = {};
    lock.l_whence = SEEK_SET;
    switch (operation & ~LOCK_NB) {
    case LOCK_SH: lock.l_type = F_RDLCK; break;
    case LOCK_EX: lock.l_type = F_WRLCK; break;
    case LOCK_UN: lock.l_type = F_UNLCK; break;
    default: errno = EINVAL; return -1;
    }
    return ::fcntl(fd, (operation & LOCK_NB) ? F_OFD_SETLK : F_OFD_SETLKW, &lock);
}

} // extern "C"
