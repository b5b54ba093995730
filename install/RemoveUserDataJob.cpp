#include "install/RemoveUserDataJob.h"

#include "core/Log.h"
#include "core/Paths.h"

#include <QDir>

namespace install {

bool RemoveUserDataJob::rollback()
{
    const QString folder = specialFolderPath(SpecialFolder::ProductData, true);
    QDir dir(folder);
    // Plain files only: a subdirectory is not removed by QDir::remove, and
    // its line shows 0. The folder then stays, as it is not empty.
    for (const QString& entry : dir.entryList()) {
        if (entry == QLatin1String(".") || entry == QLatin1String(".."))
            continue;
        const bool result = dir.remove(entry);
        Log::instance()->debug(QStringLiteral("RemoveUserDataJob: ") + entry + QStringLiteral(" result ")
                               + QString::number(int(result)));
    }
    QDir().rmpath(folder);
    return true;
}

InstallJobPtr makeRemoveUserDataJob(const QString& title)
{
    return std::make_shared<RemoveUserDataJob>(title);
}

} // namespace install
