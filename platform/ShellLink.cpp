#include "platform/ShellLink.h"

#include "platform/SaveFile.h"

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

} // namespace platform
