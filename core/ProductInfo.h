#pragma once

#include "core/Version.h"

#include <QString>

class IProgramSettings;

// The fixed identity of one of the two products the launcher serves: the
// launcher itself and the game.
struct ProductInfo
{
    QString company;
    QString productName;
    QString title;
    QString webSite;
    Version version;
    QString id;
    QString appId;
    QString exeName;

    // Folder names for per-user data: the company and product names without spaces.
    QString companyDirName() const;
    QString productDirName() const;
};

// What both products share; id and appId are the launcher's.
// The version of this build of the launcher.
Version launcherVersion();

ProductInfo defaultProductInfo();
ProductInfo launcherProductInfo();
// The game, with its installed version read from "qmx.installed_version".
ProductInfo gameProductInfo(const IProgramSettings& settings);

// Filled once by main() at start-up, read everywhere afterwards.
extern ProductInfo g_launcherProduct;
extern ProductInfo g_gameProduct;

// The installed game version is the one field that changes after start-up:
// the update job advances it on its pool thread and the main window on the
// GUI thread. Both sides go through these two, which share one lock.
Version installedGameVersion();
void setInstalledGameVersion(const Version& version);
