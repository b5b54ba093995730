#include "content/patch/jdiff/ApplyPatch.h"
#include "tests/content/patch/PatchTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "tools/jdiff-encode/JDiffEncoder.h"

#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace patchtest;

namespace {

// Bytes drawn from a small alphabet: "A2".."A7" and a few more make the
// escape rules do most of the work.
QByteArray drawn(QRandomGenerator& random, int size, const QByteArray& alphabet)
{
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        out[i] = alphabet[random.bounded(alphabet.size())];
    return out;
}

// old with count random replacements, insertions and deletions.
QByteArray edited(QRandomGenerator& random, QByteArray data, int count, int maxLength, const QByteArray& alphabet)
{
    for (int i = 0; i < count; ++i) {
        const int at = data.isEmpty() ? 0 : random.bounded(data.size());
        const int length = 1 + random.bounded(maxLength);
        switch (random.bounded(3)) {
        case 0: data.replace(at, length, drawn(random, length, alphabet)); break;
        case 1: data.insert(at, drawn(random, length, alphabet)); break;
        default: data.remove(at, length); break;
        }
    }
    return data;
}

const QByteArray escapes = bytes({0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA7, 0x00, 0xFF, 'x'});

TEST(JDiffEncoder, RoundTripsStructuredPairs)
{
    QRandomGenerator random(7);
    const QByteArray big = randomBytes(200000, 8);
    const QByteArray a = randomBytes(10000, 9), b = randomBytes(10000, 10), c = randomBytes(10000, 11),
                     d = randomBytes(10000, 12);
    const QByteArray zeros(50000, '\0');
    QByteArray zerosEdited = zeros;
    zerosEdited.replace(20000, 10, "0123456789");
    const struct {
        const char* name;
        QByteArray old, neu;
        int maxPatch; // -1: no bound
    } cases[] = {
        {"both empty", "", "", 0},
        {"from nothing", "", randomBytes(5000, 13), -1},
        {"to nothing", randomBytes(5000, 14), "", 0},
        {"identical", big, big, 7},
        {"one byte changed", "abc", "abd", -1},
        {"shorter than a block", "0123456789", "01234x6789", -1},
        {"unrelated", randomBytes(4096, 15), randomBytes(4096, 16), -1},
        {"escape bytes everywhere", drawn(random, 20000, escapes), drawn(random, 20000, escapes), -1},
        {"escapes with shared runs", big.left(30000) + drawn(random, 3000, escapes) + big.mid(30000),
         big.left(10000) + drawn(random, 3000, escapes) + big.mid(12000), 7000},
        {"scattered edits", big, edited(random, big, 20, 300, big.left(256)), 20 * 700},
        {"moved blocks", a + b + c + d, c + a + d + b + a, 200},
        {"repetitive data", zeros, zerosEdited, 100},
        {"grown at both ends", big.mid(1000, 5000), "head" + big.mid(1000, 5000) + "tail", 40},
    };
    for (const auto& c : cases) {
        for (const bool implicitMod : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (implicitMod ? ", implicit MOD" : ""));
            jdiff::EncodeOptions options;
            options.implicitMod = implicitMod;
            const QByteArray patch = jdiff::encode(c.old, c.neu, options);
            int result = -1;
            EXPECT_EQ(decoded(c.old, patch, &result), c.neu);
            EXPECT_EQ(result, jdiff::Success);
            if (c.maxPatch >= 0) {
                EXPECT_LE(patch.size(), c.maxPatch);
            }
        }
    }
}

TEST(JDiffEncoder, RoundTripsRandomEdits)
{
    QRandomGenerator random(21);
    const QByteArray alphabets[] = {escapes, randomBytes(256, 22), "ab"};
    for (int i = 0; i < 60; ++i) {
        const QByteArray& alphabet = alphabets[i % 3];
        const QByteArray old = drawn(random, random.bounded(6000), alphabet);
        const QByteArray neu = edited(random, old, random.bounded(12), 1 + random.bounded(400), alphabet);
        jdiff::EncodeOptions options;
        options.implicitMod = i % 2;
        int result = -1;
        ASSERT_EQ(decoded(old, jdiff::encode(old, neu, options), &result), neu) << "pair " << i;
        ASSERT_EQ(result, jdiff::Success) << "pair " << i;
    }
}

TEST(JDiffEncoder, EncodesFiles)
{
    const QString root = testsupport::rootDir();
    const QByteArray old = randomBytes(70000, 30);
    const QByteArray neu = old.left(60000) + "new tail";
    const QString oldPath = testsupport::writeFile(root + "/old.bin", old);
    const QString newPath = testsupport::writeFile(root + "/new.bin", neu);
    const QString emptyPath = testsupport::writeFile(root + "/empty.bin", "");
    QString error;
    ASSERT_TRUE(jdiff::encodeFiles(oldPath, newPath, root + "/delta", &error)) << error.toStdString();
    EXPECT_EQ(jdiff::applyPatchFiles(oldPath, root + "/delta", root + "/out", nullptr), jdiff::Success);
    EXPECT_EQ(testsupport::readFile(root + "/out"), neu);

    ASSERT_TRUE(jdiff::encodeFiles(emptyPath, newPath, root + "/delta", &error)) << error.toStdString();
    EXPECT_EQ(jdiff::applyPatchFiles(emptyPath, root + "/delta", root + "/out", nullptr), jdiff::Success);
    EXPECT_EQ(testsupport::readFile(root + "/out"), neu);

    EXPECT_FALSE(jdiff::encodeFiles(root + "/missing", newPath, root + "/delta2", &error));
    EXPECT_TRUE(error.startsWith(root + "/missing: ")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(root + "/delta2"));
}

} // namespace
