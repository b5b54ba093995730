#include "update/SelectContents.h"

#include "core/Log.h"
#include "core/SaturatedAdd.h"

#include <QSysInfo>

#include <algorithm>

namespace {

QString g_testCpuArchitecture;

QString cpuArchitecture()
{
    if (!g_testCpuArchitecture.isEmpty())
        return g_testCpuArchitecture;
    return QSysInfo::currentCpuArchitecture();
}

// The newest supported full package: the first of those with the highest
// "version_to" in sorted order.
void considerFull(const UpdateContent& content, UpdateContent& full, bool& haveFull)
{
    if (!haveFull || full.versionTo() < content.versionTo()) {
        full = content;
        haveFull = true;
    }
}

// Appends to chain every supported patch that continues from cur, in sorted
// order, and advances cur along it.
void extendChain(const QList<UpdateContent>& sorted, Version& cur, QList<UpdateContent>& chain)
{
    for (const UpdateContent& content : sorted) {
        if (content.isFullPackage() || !isPlatformSupported(content))
            continue;
        if (content.versionFrom() == cur) {
            chain.append(content);
            cur = content.versionTo();
        }
    }
}

QList<UpdateContent> fullThenPatches(const QList<UpdateContent>& sorted, const UpdateContent& full)
{
    QList<UpdateContent> chain{full};
    Version cur = full.versionTo();
    extendChain(sorted, cur, chain);
    return chain;
}

} // namespace

void setCpuArchitectureForTests(const QString& architecture)
{
    g_testCpuArchitecture = architecture;
}

bool isPlatformSupported(const UpdateContent& content)
{
    const QString cpu = cpuArchitecture();
    const QString platform = content.platform();
    bool supported = false;
    if (platform == QLatin1String("win64")) {
        supported = cpu == QLatin1String("x86_64");
    } else if (platform == QLatin1String("win32")) {
        supported = cpu == QLatin1String("x86_64") || cpu == QLatin1String("i386");
    } else {
        Log::instance()->critical(QStringLiteral("content platform not supported: ") + content.id() + QLatin1Char('/')
                                  + platform);
    }
    if (!supported) {
        Log::instance()->critical(QStringLiteral("content does not match cpu: ") + content.id() + QLatin1Char('/')
                                  + platform + QStringLiteral(" CPU: ") + cpu);
    }
    return supported;
}

bool selectContents(const Version& installed, const ProductUpdateInfo& product, QList<UpdateContent>& out)
{
    QList<UpdateContent> sorted = product.contents();
    std::sort(sorted.begin(), sorted.end(), lessThan);

    UpdateContent full;
    bool haveFull = false;
    QList<UpdateContent> result;

    if (installed.isValid()) {
        Version cur = installed;
        QList<UpdateContent> chain;
        for (const UpdateContent& content : sorted) {
            if (!isPlatformSupported(content))
                continue;
            if (content.isFullPackage()) {
                considerFull(content, full, haveFull);
            } else if (content.versionFrom() == cur) {
                chain.append(content);
                cur = content.versionTo();
            }
        }
        if (chain.isEmpty())
            cur = Version();

        if (!haveFull) {
            result = chain;
        } else if (!cur.isValid()) {
            result = fullThenPatches(sorted, full);
        } else if (cur == full.versionTo()) {
            qint64 chainSize = 0;
            for (const UpdateContent& patch : chain)
                chainSize = saturatedAdd(chainSize, patch.size());
            result = chainSize < full.size() ? chain : fullThenPatches(sorted, full);
        } else if (cur < full.versionTo()) {
            result = fullThenPatches(sorted, full);
        } else {
            result = chain;
        }
    } else {
        for (const UpdateContent& content : sorted) {
            if (content.isFullPackage() && isPlatformSupported(content))
                considerFull(content, full, haveFull);
        }
        if (haveFull)
            result = fullThenPatches(sorted, full);
    }

    out = result;
    return !out.isEmpty();
}
