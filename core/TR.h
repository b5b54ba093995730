#pragma once

#include <QObject>

// The one translation context of the launcher: every user-visible text is
// TR::tr of a CamelCase key, looked up in the compiled-in translations.
class TR : public QObject
{
    Q_OBJECT
};
