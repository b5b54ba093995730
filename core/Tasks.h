#pragma once

#include <QRunnable>

#include <functional>

// A callable run once on Qt's global thread pool; the pool deletes it.
class TaskWrapper : public QRunnable
{
public:
    explicit TaskWrapper(std::function<void()> task) : m_task(std::move(task)) {}
    void run() override { m_task(); }

private:
    std::function<void()> m_task;
};

// Queues the callable on the global pool and returns at once. There is no
// handle: the callable reports by its own means.
void runAsync(std::function<void()> task);
