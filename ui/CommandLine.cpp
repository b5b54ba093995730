#include "ui/CommandLine.h"

#include "install/HandOver.h"

int parseCommandLine(const QStringList& arguments, QHash<int, QVariant>& options)
{
    options.clear();
    int action = ActionNone;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--install")) {
            action = ActionInstall;
        } else if (argument == QLatin1String("--update")) {
            action = ActionUpdate;
        } else if (argument == QLatin1String("--uninstall")) {
            action = ActionUninstall;
        } else if (argument == QLatin1String("--path") && hasValue) {
            options[install::HandOverPath] = arguments.at(++i);
        } else if (argument == QLatin1String("--pid") && hasValue) {
            options[install::HandOverPid] = arguments.at(++i).toInt(nullptr, 10);
        }
    }
    return action;
}
