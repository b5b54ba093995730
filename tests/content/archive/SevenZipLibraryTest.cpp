#include "content/archive/ExtractArchive.h"
#include "content/archive/SevenZipLibrary.h"
#include "tests/content/archive/ArchiveTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <vector>

using namespace sevenzip;

namespace {

int criticalLines()
{
    return testsupport::logLines().filter("crit ").size();
}

TEST(SevenZipLibrary, RefusesPluginsItCannotUse)
{
    const QString archive = archivetest::pack(
        testsupport::writeFile(testsupport::rootDir() + "/src/a.txt", "a").section('/', 0, -2),
        testsupport::rootDir() + "/a.7z");
    const QString dest = testsupport::rootDir() + "/dest";
    const QString notLibrary = testsupport::writeFile(testsupport::rootDir() + "/not.so", "text");
    const QString missing = testsupport::rootDir() + "/missing.so";

    // Each refusal is one critical line naming the file and why.
    const struct {
        const char* name;
        QString plugin;
        QString line;
    } refused[] = {
        {"root interface with a virtual destructor", FAKE_PLUGIN_VIRTUAL_DESTRUCTOR,
         QStringLiteral(FAKE_PLUGIN_VIRTUAL_DESTRUCTOR) + ": interface type 1"},
        {"no layout report", FAKE_PLUGIN_WITHOUT_MODULE_PROP,
         QStringLiteral(FAKE_PLUGIN_WITHOUT_MODULE_PROP) + ": missing exports"},
        {"not a library", notLibrary, notLibrary + ": "},
        {"no such file", missing, missing + ": no such file"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        testsupport::clearLog();
        setLibraryPathForTests(c.plugin);
        EXPECT_EQ(Library::instance(), nullptr);
        EXPECT_EQ(criticalLines(), 1);
        testsupport::clearLog();
        EXPECT_NE(extractArchive(archive.toStdWString(), dest.toStdWString(), nullptr), S_OK);
        ASSERT_EQ(criticalLines(), 1);
        const QString line = testsupport::logLines().filter("crit ").first();
        EXPECT_TRUE(line.contains("7-Zip library refused: " + c.line)) << line.toStdString();
        // The loader's reason, not the path once more.
        EXPECT_EQ(line.count(c.plugin), 1) << line.toStdString();
        EXPECT_FALSE(line.endsWith(": ")) << line.toStdString();
        EXPECT_FALSE(unpackArchive(archive, dest, nullptr));
    }

    // A usable plug-in without the 7z format.
    setLibraryPathForTests(FAKE_PLUGIN_WITHOUT_FORMATS);
    ASSERT_NE(Library::instance(), nullptr);
    try {
        extractArchive(archive.toStdWString(), dest.toStdWString(), nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const char* what) {
        EXPECT_STREQ(what, "Unsupported");
    }
    EXPECT_FALSE(unpackArchive(archive, dest, nullptr));
    EXPECT_FALSE(QFile::exists(dest));

    setLibraryPathForTests(LAUNCHER_TEST_7Z_PLUGIN);
    EXPECT_TRUE(unpackArchive(archive, dest, nullptr));
}

// The launcher uses the plug-in of its own folder, whatever the system has.
TEST(SevenZipLibrary, TheProductTakesThePluginFromItsOwnFolder)
{
    const QString archive = archivetest::pack(
        testsupport::writeFile(testsupport::rootDir() + "/src/a.txt", "a").section('/', 0, -2),
        testsupport::rootDir() + "/a.7z");
    const QString dest = testsupport::rootDir() + "/dest";
    setLibraryPathForTests(QString());
    const QString own = testsupport::appDir() + "/7z.so";

    testsupport::clearLog();
    EXPECT_FALSE(unpackArchive(archive, dest, nullptr));
    EXPECT_EQ(testsupport::logLines().filter("crit ").join('\n'),
              testsupport::logLines().filter("7-Zip library refused: " + own + ": no such file").join('\n'));
    EXPECT_EQ(criticalLines(), 1);

    ASSERT_TRUE(QFile::copy(LAUNCHER_TEST_7Z_PLUGIN, own));
    EXPECT_TRUE(unpackArchive(archive, dest, nullptr));
    EXPECT_EQ(testsupport::readFile(dest + "/a.txt"), "a");
    // Loaded from there, and the system's copy not at all.
    void* handle = dlopen(QFile::encodeName(own).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    EXPECT_NE(handle, nullptr);
    if (handle)
        dlclose(handle);
    EXPECT_EQ(dlopen(LAUNCHER_TEST_7Z_PLUGIN, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD), nullptr);
}

TEST(SevenZipLibrary, StringsJoinSurrogatePairs)
{
    const Library* library = Library::instance();
    ASSERT_NE(library, nullptr);
    // The plug-in's own allocator, so that its length prefix is authentic.
    void* handle = dlopen(LAUNCHER_TEST_7Z_PLUGIN, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    const auto allocate = reinterpret_cast<Bstr (*)(const wchar_t*, std::uint32_t)>(dlsym(handle, "SysAllocStringLen"));
    ASSERT_NE(allocate, nullptr);

    const struct {
        std::vector<wchar_t> units;
        QString expected; // null: refused
    } cases[] = {
        {{L'a', L'/', L'b'}, "a/b"},
        {{}, ""},
        {{0x44C, 0x65E5}, QString::fromUtf8("\xD1\x8C\xE6\x97\xA5")},
        {{L'x', 0xD83C, 0xDFAE}, QString::fromUtf8("x\xF0\x9F\x8E\xAE")}, // a pair, one unit each
        {{0x1F3AE}, QString::fromUtf8("\xF0\x9F\x8E\xAE")},               // a whole code point
        {{L'x', 0xD83C}, QString()},                                        // half a pair
        {{0xDFAE, L'x'}, QString()},
        {{L'a', 0, L'b'}, QString()},                                       // a NUL inside
        {{0x110000}, QString()},
    };
    for (const auto& c : cases) {
        Bstr text = allocate(c.units.data(), std::uint32_t(c.units.size()));
        const QString converted = library->toQString(text);
        EXPECT_EQ(converted.isNull(), c.expected.isNull()) << c.expected.toStdString();
        EXPECT_EQ(converted, c.expected);
        library->freeString(text);
    }
    EXPECT_TRUE(library->toQString(nullptr).isNull());
    dlclose(handle);
}

} // namespace
