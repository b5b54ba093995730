#pragma once

#include "update/UpdateInfo.h"

#include <QList>

// Whether a content built for its "platform" ("win64", "win32") runs on this
// machine's processor. Logs every refusal.
bool isPlatformSupported(const UpdateContent& content);

// The contents that bring a product from the installed version to the newest
// one it offers, in install order: the chain of patches from the installed
// version when it reaches beyond the newest full package, or reaches it for
// a smaller download; else the newest full package and the patches that
// continue from it. Nothing installed (an invalid version) always takes the
// full package. out is replaced; true when it is not empty.
bool selectContents(const Version& installed, const ProductUpdateInfo& product, QList<UpdateContent>& out);

// Tests only: the processor architecture that isPlatformSupported compares
// with, in QSysInfo::currentCpuArchitecture's terms. Empty restores the real
// one. Set it before a job starts, never while one runs.
void setCpuArchitectureForTests(const QString& architecture);
