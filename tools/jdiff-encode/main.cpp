// jdiff-encode [--implicit-mod] OLD NEW PATCH
// Writes a JojoDiff-format delta that rebuilds NEW from OLD.

#include "tools/jdiff-encode/JDiffEncoder.h"

#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    jdiff::EncodeOptions options;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--implicit-mod") == 0) {
        options.implicitMod = true;
        ++first;
    }
    if (argc - first != 3) {
        std::fprintf(stderr, "usage: %s [--implicit-mod] OLD NEW PATCH\n", argv[0]);
        return 2;
    }
    QString error;
    if (!jdiff::encodeFiles(QFile::decodeName(argv[first]), QFile::decodeName(argv[first + 1]),
                            QFile::decodeName(argv[first + 2]), &error, options)) {
        std::fprintf(stderr, "jdiff-encode: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
