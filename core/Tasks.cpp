#include "core/Tasks.h"

#include <QThreadPool>

void runAsync(std::function<void()> task)
{
    Q_ASSERT(task);
    QThreadPool::globalInstance()->start(new TaskWrapper(std::move(task)), 0);
}
