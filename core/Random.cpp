#include "core/Random.h"

#include <QMutex>

#include <random>

namespace {

QMutex g_randomLock;
std::minstd_rand& generator()
{
    static std::minstd_rand engine(1u);
    return engine;
}

} // namespace

void seedRandom(quint32 seed)
{
    QMutexLocker lock(&g_randomLock);
    generator().seed(seed == 0 ? 1u : seed);
}

int randomNumber()
{
    QMutexLocker lock(&g_randomLock);
    // minstd_rand yields 1 .. 2^31 - 2.
    return int(generator()());
}
