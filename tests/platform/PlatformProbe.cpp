// Another process that writes through the platform layers, for tests of what
// two processes do at once:
//   platform_probe copy FROM TO             copyWholeFile(FROM, TO); prints "copied" or the error
//   platform_probe values KEY PREFIX COUNT  writes COUNT text values PREFIX<i> into the key,
//                                           then prints "ok" or the first failing result
// The exit code is 0 when everything succeeded.

#include "platform/Registry.h"
#include "platform/SaveFile.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == "copy") {
        const QFileDevice::FileError error = platform::copyWholeFile(args[2], args[3]);
        std::printf(error == QFileDevice::NoError ? "copied\n" : "error %d\n", int(error));
        return error == QFileDevice::NoError ? 0 : 1;
    }
    if (args.size() == 5 && args[1] == "values") {
        const int count = args[4].toInt();
        for (int i = 0; i < count; ++i) {
            platform::RegistryKey key;
            long result = key.create(args[2]);
            if (result == platform::RegistrySuccess)
                result = key.setText(args[3] + QString::number(i), QString::number(i));
            if (result != platform::RegistrySuccess) {
                std::printf("result %ld at %d\n", result, i);
                return 1;
            }
        }
        std::printf("ok\n");
        return 0;
    }
    std::fprintf(stderr, "usage: platform_probe copy FROM TO | values KEY PREFIX COUNT\n");
    return 2;
}
