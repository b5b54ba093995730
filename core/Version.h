#pragma once

#include <QString>

// major.minor.build of a product. -1.-1.-1 means unset; a version with any
// negative component is not valid for the callers.
struct Version
{
    int major = -1;
    int minor = -1;
    int build = -1;

    Version() = default;
    Version(int majorPart, int minorPart, int buildPart)
        : major(majorPart), minor(minorPart), build(buildPart) {}

    // "4" reads 4.0.0 and "4..2" reads 4.2.0 (empty parts are skipped); no
    // parts, more than three, or any part that is not a base-10 int give
    // the unset version as a whole.
    static Version fromString(const QString& text);
    QString toString() const;

    bool isValid() const { return major >= 0 && minor >= 0 && build >= 0; }

    bool operator==(const Version& other) const
    {
        return major == other.major && minor == other.minor && build == other.build;
    }
    bool operator!=(const Version& other) const { return !(*this == other); }
    // Component by component, signed: the unset version is lower than any valid one.
    bool operator<(const Version& other) const;
};
