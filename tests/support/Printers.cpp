#include "tests/support/Printers.h"

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace platform {

void PrintTo(const RegistryValue& value, std::ostream* out)
{
    *out << value.name.toStdString() << '=';
    if (value.type == RegistryValue::Number)
        *out << "dword:" << value.number;
    else
        *out << '"' << value.text.toStdString() << '"';
}

} // namespace platform
