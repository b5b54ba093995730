#pragma once

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QString>

#include <atomic>

// The one process-wide log: single text lines appended to "log.txt" in the
// application directory and flushed one by one, so that nothing waits in a
// buffer when the launcher ends its own process abruptly.
class Log
{
public:
    enum Level { Critical = 0, Warning = 1, Info = 2, Debug = 3 };

    // Created on first use and never destroyed. main() makes the first call
    // before any other thread exists.
    static Log* instance();

    // The tag written for a level ("crit", "warn", "info", "debg"); empty for
    // any other value.
    static QString levelName(int level);

    // One complete line, without the final line feed: the tag padded to 15,
    // the local time padded to 25, the message; line feeds become "#" and
    // other control characters their escape, such as "\x1b".
    static QString formatLine(const QDateTime& time, int level, const QString& message);

    // Closes the current file, if any, and appends to the file at path.
    bool open(const QString& path);
    // The file lines go to; empty when none is open.
    QString fileName() const;

    // Lines above the threshold are dropped. Starts at Debug; main() lowers
    // it to Info once, before other threads run.
    void setLevel(int level);
    int level() const;

    void critical(const QString& message);
    void info(const QString& message);
    void debug(const QString& message);

    void write(const QDateTime& time, int level, const QString& message);

private:
    Log() = default;
    void writeAt(int level, const QString& message);

    QFile m_file;
    mutable QMutex m_mutex;
    std::atomic<int> m_level{Debug};
};
