#include "core/Log.h"

#include <algorithm>

namespace {

Log* g_log = nullptr;

// C0, DEL and C1.
bool isControl(QChar c)
{
    const ushort code = c.unicode();
    return code < 0x20 || (code >= 0x7f && code <= 0x9f);
}

} // namespace

Log* Log::instance()
{
    if (!g_log)
        g_log = new Log;
    return g_log;
}

QString Log::levelName(int level)
{
    switch (level) {
    case Critical: return QStringLiteral("crit");
    case Warning: return QStringLiteral("warn");
    case Info: return QStringLiteral("info");
    case Debug: return QStringLiteral("debg");
    default: return QString();
    }
}

QString Log::formatLine(const QDateTime& time, int level, const QString& message)
{
    // The milliseconds are written as a plain number: 7 ms reads ".7".
    const QString timeText = time.toString(Qt::ISODate) + QLatin1Char('.') + QString::number(time.time().msec());
    // The message goes in last, so a "%1" inside it is never substituted.
    QString line = QStringLiteral("%1 %2 %4")
                       .arg(levelName(level), -15, QLatin1Char(' '))
                       .arg(timeText, -25, QLatin1Char(' '))
                       .arg(message);
    // Texts from outside reach the log (content names, server answers): a
    // control character in them could start a forged line or drive the
    // terminal that shows the log. Line feeds become "#", every other
    // control character its escape ("\x1b").
    if (std::none_of(line.cbegin(), line.cend(), isControl))
        return line;
    QString escaped;
    escaped.reserve(line.size() + 16);
    for (const QChar c : qAsConst(line)) {
        if (c == QLatin1Char('\n'))
            escaped += QLatin1Char('#');
        else if (isControl(c))
            escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

bool Log::open(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    if (m_file.isOpen())
        m_file.close();
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

QString Log::fileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_file.isOpen() ? m_file.fileName() : QString();
}

void Log::setLevel(int level)
{
    m_level.store(level, std::memory_order_relaxed);
}

int Log::level() const
{
    return m_level.load(std::memory_order_relaxed);
}

void Log::critical(const QString& message)
{
    writeAt(Critical, message);
}

void Log::info(const QString& message)
{
    writeAt(Info, message);
}

void Log::debug(const QString& message)
{
    writeAt(Debug, message);
}

void Log::writeAt(int level, const QString& message)
{
    if (level > this->level())
        return;
    write(QDateTime::currentDateTime(), level, message);
}

void Log::write(const QDateTime& time, int level, const QString& message)
{
    const QByteArray line = formatLine(time, level, message).toUtf8();
    QMutexLocker lock(&m_mutex);
    if (!m_file.isOpen())
        return;
    m_file.write(line);
    m_file.write("\n", 1);
    m_file.flush();
}
