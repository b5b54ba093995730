#include "core/ProcessUtils.h"

#include "platform/Process.h"

bool startDetachedQuoted(const QString& program, const QStringList& arguments)
{
    return platform::startDetached(program, arguments);
}

bool waitForProcess(int processId, int timeoutMs)
{
    return platform::waitForProcess(processId, timeoutMs);
}

bool isProcessRunning(int processId)
{
    return platform::isProcessRunning(processId);
}

int currentProcessId()
{
    return platform::currentProcessId();
}

QString appendChar(const QString& text, char c)
{
    return text + QLatin1Char(c);
}

QString prependChar(char c, const QString& text)
{
    return QLatin1Char(c) + text;
}
