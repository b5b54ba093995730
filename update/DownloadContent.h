#pragma once

#include "update/UpdateInfo.h"

#include <QString>

// What a successful content download leaves: where the archive lies and the
// manifest content it came from.
struct DownloadedContent
{
    QString path;
    UpdateContent content;
};
