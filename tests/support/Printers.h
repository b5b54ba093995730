#pragma once

#include "platform/Registry.h"

#include <QString>

#include <ostream>

// Lets GoogleTest show these types readably in its failure messages.
void PrintTo(const QString& text, std::ostream* out);

namespace platform {
void PrintTo(const RegistryValue& value, std::ostream* out);
}
