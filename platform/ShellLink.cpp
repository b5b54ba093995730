#include "platform/ShellLink.h"

#include "platform/SaveFile.h"

#include <QFile>
#include <QFileInfo>

namespace platform {
namespace {

// The general escapes of a string value; a leading space would be dropped
// by readers, so it is written as \s.
QString escapedValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case ' ':
            out += i == 0 ? QLatin1String("\\s") : QLatin1String(" ");
            break;
        default: out += c; break;
        }
    }
    return out;
}

// The string value of a key, its escapes undone.
QString unescapedValue(const QString& value)
{
    QString out;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        default: out += value[i]; break;
        }
    }
    return out;
}

// The first argument of an Exec value, its quoting undone.
QString firstExecArgument(const QString& exec)
{
    QString argument;
    int i = 0;
    const bool quoted = exec.startsWith(QLatin1Char('"'));
    if (quoted)
        ++i;
    for (; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted && c == QLatin1Char('"'))
            return argument;
        if (!quoted && c == QLatin1Char(' '))
            return argument;
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size())
            argument += exec[++i];
        else if (c == QLatin1Char('%') && i + 1 < exec.size() && exec[i + 1] == QLatin1Char('%'))
            argument += exec[++i];
        else
            argument += c;
    }
    return quoted ? QString() : argument; // an unclosed quote names nothing
}

} // namespace

QString shellLinkSuffix()
{
    return QStringLiteral(".desktop");
}

QString desktopEntryExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument) {
        if (reserved.contains(c)) {
            needsQuotes = true;
            break;
        }
    }
    QString quoted;
    if (needsQuotes)
        quoted += QLatin1Char('"');
    for (const QChar c : argument) {
        if (c == QLatin1Char('%')) {
            quoted += QLatin1String("%%"); // a literal "%", not a field code
            continue;
        }
        if (needsQuotes
            && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    if (needsQuotes)
        quoted += QLatin1Char('"');
    // The string escapes apply on top of the quoting, so a backslash inside
    // quotes ends up as four.
    return escapedValue(quoted);
}

int createShellLink(const QString& target, const QString& linkPath, const QString& iconPath)
{
    QString name = QFileInfo(linkPath).fileName();
    if (name.endsWith(shellLinkSuffix()))
        name.chop(shellLinkSuffix().size());
    // Qt on X11 names the class of a program's windows after the file it
    // was started as (unless the program sets an application name, which
    // the launcher does not): started from this entry, the target's name.
    const QString windowClass = QFileInfo(target).fileName();
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Icon=%3\n"
                                        "Terminal=false\n"
                                        "StartupWMClass=%4\n")
                             .arg(escapedValue(name), desktopEntryExecArgument(target), escapedValue(iconPath),
                                  escapedValue(windowClass));
    const QFileDevice::Permissions executable = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
        | QFileDevice::ExeOther;
    return -int(saveWholeFile(linkPath, text.toUtf8(), executable));
}

QString shellLinkTarget(const QString& linkPath)
{
    QFile file(linkPath);
    // A desktop entry is a few lines; anything large is not one of ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return QString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    bool inEntry = false;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return firstExecArgument(unescapedValue(line.mid(5)));
    }
    return QString();
}

} // namespace platform
