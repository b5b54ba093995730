#include "content/patch/jdiff/ApplyPatch.h"
#include "tests/content/patch/PatchTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <limits>

using namespace patchtest;

namespace {

TEST(JDiffDecoder, RebuildsTheReferenceDeltas)
{
    const QString dir = QStringLiteral(JDIFF_FIXTURES_DIR);
    QFile manifest(dir + "/MANIFEST.tsv");
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(manifest.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 1);
    ASSERT_EQ(lines[0].split('\t').mid(0, 4), QStringList({"name", "sha1_orig", "sha1_new", "sha1_patch"}));

    bool sawCurrentFormat = false;
    for (const QString& line : lines.mid(1)) {
        const QStringList fields = line.split('\t');
        ASSERT_GE(fields.size(), 4) << line.toStdString();
        const QString name = fields[0];
        const QString base = dir + "/" + name;
        SCOPED_TRACE(name.toStdString());
        // The copies are the reference files.
        ASSERT_EQ(sha1(testsupport::readFile(base + ".orig")), fields[1]);
        ASSERT_EQ(sha1(testsupport::readFile(base + ".new")), fields[2]);
        ASSERT_EQ(sha1(testsupport::readFile(base + ".patch")), fields[3]);

        const QString output = testsupport::rootDir() + "/" + name + ".out";
        JDiffProgressRecorder progress;
        EXPECT_EQ(jdiff::applyPatchFiles(base + ".orig", base + ".patch", output, &progress), jdiff::Success);
        EXPECT_EQ(testsupport::readFile(output), testsupport::readFile(base + ".new"));
        const qint64 patchSize = QFileInfo(base + ".patch").size();
        ASSERT_FALSE(progress.reports.isEmpty());
        EXPECT_EQ(progress.reports.last(), Report(patchSize, patchSize));
        sawCurrentFormat |= name.contains("current-format");
    }
    EXPECT_TRUE(sawCurrentFormat);
}

TEST(JDiffDecoder, DecodesOpcodesEscapesAndModes)
{
    const QByteArray digits = "0123456789ABCDEF";
    const struct {
        const char* name;
        QByteArray patch;
        QByteArray output;
    } cases[] = {
        {"empty patch", "", ""},
        {"insert", bytes({0xA7, 0xA5, 'a', 'b'}), "ab"},
        {"ESC ESC and ESC x inserted", bytes({0xA7, 0xA5, 0xA7, 0xA7, 0xA7, 0x41}), bytes({0xA7, 0xA7, 0x41})},
        {"opcode values as bare data", bytes({0xA7, 0xA5, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}),
         bytes({0xA2, 0xA3, 0xA4, 0xA5, 0xA6})},
        {"insert leaves the old file", bytes({0xA7, 0xA3, 0x00, 0xA7, 0xA5, 'x', 0xA7, 0xA3, 0x00}), "0x1"},
        // Three modified bytes, then DEL 5: the old file moves on by 8.
        {"modify then delete", bytes({0xA7, 0xA6, 'x', 'y', 'z', 0xA7, 0xA4, 0x04, 0xA7, 0xA3, 0x01}), "xyz89"},
        // After EQL 4, three modified bytes, then BKT 5: back to 2.
        {"modify then back", bytes({0xA7, 0xA3, 0x03, 0xA7, 0xA6, 'x', 'y', 'z', 0xA7, 0xA2, 0x04, 0xA7, 0xA3, 0x02}),
         "0123xyz234"},
        {"modify then equal", bytes({0xA7, 0xA6, 'x', 'y', 'z', 0xA7, 0xA3, 0x09}), "xyz3456789ABC"},
        {"ESC ESC modifies one byte", bytes({0xA7, 0xA6, 0xA7, 0xA7, 0xA7, 0xA3, 0x00}), bytes({0xA7, '1'})},
        {"ESC x modifies two bytes", bytes({0xA7, 0xA6, 0xA7, 0x41, 0xA7, 0xA3, 0x00}), bytes({0xA7, 0x41, '2'})},
        {"ends in modify mode", bytes({0xA7, 0xA6, 'x'}), "x"},
        // Current encoders write no ESC MOD at the start or after EQL, DEL
        // and BKT: such data bytes are modified bytes.
        {"data at the start", bytes({'x', 'y', 0xA7, 0xA3, 0x00}), "xy2"},
        {"ESC ESC at the start", bytes({0xA7, 0xA7, 0xA7, 0xA3, 0x00}), bytes({0xA7, '1'})},
        {"data after equal", bytes({0xA7, 0xA3, 0x00, 'x', 0xA7, 0xA3, 0x00}), "0x2"},
        {"data after delete", bytes({0xA7, 0xA4, 0x00, 'x', 0xA7, 0xA3, 0x00}), "x2"},
        {"data after back", bytes({0xA7, 0xA3, 0x01, 0xA7, 0xA2, 0x00, 'x', 0xA7, 0xA3, 0x00}), "01x2"},
        {"data after back, escaped", bytes({0xA7, 0xA3, 0x01, 0xA7, 0xA2, 0x00, 0xA7, 0x41, 0xA7, 0xA3, 0x00}),
         bytes({'0', '1', 0xA7, 0x41, '3'})},
        {"negative equal copies nothing",
         bytes({0xA7, 0xA3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xA7, 0xA3, 0x00}), "0"},
        {"16-bit length with no offset", bytes({0xA7, 0xA3, 0xFD, 0x00, 0x03}), "012"},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(decoded(digits, c.patch, &result), c.output) << c.name;
        EXPECT_EQ(result, jdiff::Success) << c.name;
    }
}

TEST(JDiffDecoder, ReadsEveryLengthForm)
{
    const struct {
        QByteArray field;
        bool ok;
        qint64 value;
    } cases[] = {
        {bytes({0}), true, 1},
        {bytes({251}), true, 252},
        {bytes({252, 0}), true, 253},
        {bytes({252, 255}), true, 508},
        {bytes({253, 1, 0}), true, 256},
        {bytes({253, 0, 0}), true, 0},
        {bytes({254, 0, 2, 0x45, 0xA3}), true, 148899},
        {bytes({255, 0, 0, 0, 1, 0, 0, 0, 0}), true, 1LL << 32},
        {bytes({255, 0x80, 0, 0, 0, 0, 0, 0, 0}), true, std::numeric_limits<qint64>::min()},
        {bytes({}), false, 0},
        {bytes({252}), false, 0},
        {bytes({253, 1}), false, 0},
        {bytes({254, 0, 0}), false, 0},
        {bytes({255, 1, 2, 3, 4, 5, 6, 7}), false, 0},
    };
    for (const auto& c : cases) {
        QBuffer device;
        device.setData(c.field);
        device.open(QIODevice::ReadOnly);
        qint64 value = 0;
        EXPECT_EQ(jdiff::readLength(&device, &value), c.ok) << c.field.toHex().constData();
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.field.toHex().constData();
        }
    }
}

// Accepts limit bytes, then refuses every write.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 accepted = qMin(size, m_limit - written.size());
        written.append(data, int(accepted));
        return accepted > 0 ? accepted : -1;
    }

private:
    qint64 m_limit;
};

TEST(JDiffDecoder, StopsAtTheFirstFailure)
{
    const QByteArray old(5000, 'o');
    const struct {
        const char* name;
        QByteArray patch;
        int result;
        QByteArray output; // what was decoded before the failure
    } cases[] = {
        {"ends after ESC", bytes({0xA7, 0xA5, 'a', 0xA7}), jdiff::PatchTruncated, "a"},
        {"ends before a length", bytes({0xA7, 0xA5, 'a', 0xA7, 0xA4}), jdiff::PatchTruncated, "a"},
        {"ends inside a 32-bit length", bytes({0xA7, 0xA3, 0xFE, 0x00, 0x01}), jdiff::PatchTruncated, ""},
        {"ends inside a one-byte length", bytes({0xA7, 0xA2, 0xFC}), jdiff::PatchTruncated, ""},
        {"back before the start", bytes({0xA7, 0xA3, 0x01, 0xA7, 0xA2, 0x02}), jdiff::SeekFailed, "oo"},
        {"delete beyond the 64-bit range",
         bytes({0xA7, 0xA3, 0x00, 0xA7, 0xA4, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), jdiff::SeekFailed,
         "o"},
        {"back by the most negative length",
         bytes({0xA7, 0xA6, 'x', 0xA7, 0xA2, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}), jdiff::SeekFailed, "x"},
        // The first piece of 4096 is written, the short second one is not.
        {"equal past the end", bytes({0xA7, 0xA3, 0xFD, 0x17, 0x70}), jdiff::OldFileTooShort, QByteArray(4096, 'o')},
        {"equal after a delete past the end", bytes({0xA7, 0xA4, 0xFD, 0x13, 0x88, 0xA7, 0xA3, 0x00}),
         jdiff::OldFileTooShort, ""},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(decoded(old, c.patch, &result), c.output) << c.name;
        EXPECT_EQ(result, c.result) << c.name;
    }

    // Writes that fail, whether of data bytes or of an equal run.
    const QByteArray inserted = bytes({0xA7, 0xA5}) + QByteArray(3 * 1024 * 1024, 'i');
    const QByteArray copied = bytes({0xA7, 0xA3, 0xFD, 0x13, 0x87});
    for (const QByteArray& patch : {inserted, copied}) {
        FullDevice output(100);
        EXPECT_EQ(decodeInto(&output, old, patch), jdiff::WriteFailed);
        EXPECT_EQ(output.written.size(), 100);
    }
}

TEST(JDiffDecoder, StopsBeforeTheOutputPassesItsLimit)
{
    const QByteArray old(10000, 'o');
    // Each rebuilds 8 bytes. A step that would pass the limit writes none
    // of its bytes: an escape pair stands for two, an equal run for all of
    // its piece.
    const struct {
        const char* name;
        QByteArray patch;
        int writtenBelowTheLimit; // with a limit of 7
    } patches[] = {
        {"inserted bytes", bytes({0xA7, 0xA5, '1', '2', '3', '4', '5', '6', '7', '8'}), 7},
        {"an escape pair last", bytes({0xA7, 0xA5, '1', '2', '3', '4', '5', '6', 0xA7, 'x'}), 6},
        {"an equal run", bytes({0xA7, 0xA3, 0x07}), 0},
    };
    for (const auto& p : patches) {
        SCOPED_TRACE(p.name);
        const struct {
            qint64 limit;
            int result;
            int written;
        } cases[] = {
            {jdiff::NoOutputLimit, jdiff::Success, 8},
            {8, jdiff::Success, 8},
            {7, jdiff::OutputTooLarge, p.writtenBelowTheLimit},
            {0, jdiff::OutputTooLarge, 0},
        };
        for (const auto& c : cases) {
            int result = -1;
            EXPECT_EQ(decoded(old, p.patch, &result, nullptr, c.limit).size(), c.written) << c.limit;
            EXPECT_EQ(result, c.result) << c.limit;
        }
    }

    // A delta that would rebuild 3 MiB stops at the limit: nothing beyond it
    // reaches the device.
    const QByteArray huge = bytes({0xA7, 0xA5}) + QByteArray(3 * 1024 * 1024, 'i');
    int result = -1;
    EXPECT_EQ(decoded(old, huge, &result, nullptr, 1000).size(), 1000);
    EXPECT_EQ(result, jdiff::OutputTooLarge);
}

TEST(JDiffDecoder, OpensTheThreeFiles)
{
    const QString root = testsupport::rootDir();
    const QString old = testsupport::writeFile(root + "/old", "0123");
    const QString patch = testsupport::writeFile(root + "/patch", bytes({0xA7, 0xA3, 0x01, 0xA7, 0xA5, 'x'}));
    const QString notAFolder = testsupport::writeFile(root + "/file", "x");
    QDir().mkpath(root + "/folder");
    const QString missing = root + "/missing";
    const struct {
        QString old, patch, output;
        int result;
    } cases[] = {
        {old, patch, root + "/out", jdiff::Success},
        {missing, patch, root + "/out", jdiff::OldFileUnreadable},
        {missing, missing, root + "/out", jdiff::OldFileUnreadable},
        {root + "/folder", patch, root + "/out", jdiff::OldFileUnreadable},
        {old, missing, root + "/out", jdiff::PatchFileUnreadable},
        {old, root + "/folder", root + "/out", jdiff::PatchFileUnreadable},
        {old, patch, notAFolder + "/out", jdiff::PatchTruncated},
        {old, patch, "/dev/full", jdiff::WriteFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jdiff::applyPatchFiles(c.old, c.patch, c.output, nullptr), c.result) << c.output.toStdString();
    EXPECT_EQ(testsupport::readFile(root + "/out"), "01x");
}

TEST(JDiffDecoder, ReportsOncePerKilobyteOfPatchAndAtTheEnd)
{
    // A length byte or the second byte of an ESC pair at position 1024
    // defers that block's report to the next byte read.
    const QByteArray escapedAt1024 = QByteArray(1022, 'x') + bytes({0xA7, 0xA7}) + QByteArray(10, 'y');
    const QByteArray lengthAt1024 =
        bytes({0xA7, 0xA5}) + QByteArray(1019, 'x') + bytes({0xA7, 0xA3, 0x00}) + QByteArray(5, 'y');
    const struct {
        const char* name;
        QByteArray patch;
        QVector<Report> reports;
    } cases[] = {
        {"empty", "", {{0, 0}}},
        {"1000 bytes", QByteArray(1000, 'x'), {{1000, 1000}}},
        {"3000 bytes", QByteArray(3000, 'x'), {{1024, 3000}, {2048, 3000}, {3000, 3000}}},
        {"exactly 1024", QByteArray(1024, 'x'), {{1024, 1024}, {1024, 1024}}},
        {"escape pair across 1024", escapedAt1024, {{1025, 1034}, {1034, 1034}}},
        {"length across 1024", lengthAt1024, {{1025, 1029}, {1029, 1029}}},
        {"failure: no end report", QByteArray(2000, 'x') + bytes({0xA7}), {{1024, 2001}}},
    };
    for (const auto& c : cases) {
        JDiffProgressRecorder progress;
        int result = -1;
        decoded(QByteArray(4000, 'o'), c.patch, &result, &progress);
        EXPECT_EQ(progress.reports, c.reports) << c.name;
    }
}

// Records the size of every read asked of it.
class ReadLog : public QBuffer
{
public:
    QVector<qint64> reads;

protected:
    qint64 readData(char* data, qint64 size) override
    {
        reads.append(size);
        return QBuffer::readData(data, size);
    }
};

TEST(JDiffDecoder, CopiesEqualRunsInPiecesOf4096)
{
    const struct {
        QByteArray length;
        QVector<qint64> reads;
    } cases[] = {
        {bytes({0xFD, 0x10, 0x00}), {4096}},
        {bytes({0xFD, 0x10, 0x01}), {4096, 1}},
        {bytes({0xFD, 0x20, 0x00}), {4096, 4096}},
        {bytes({0x63}), {100}},
    };
    const QByteArray old = randomBytes(9000, 1);
    for (const auto& c : cases) {
        ReadLog oldDevice;
        oldDevice.setData(old);
        oldDevice.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        QBuffer patch;
        patch.setData(bytes({0xA7, 0xA3}) + c.length);
        patch.open(QIODevice::ReadOnly);
        QByteArray output;
        QBuffer outputDevice(&output);
        outputDevice.open(QIODevice::WriteOnly);
        EXPECT_EQ(jdiff::applyPatch(&oldDevice, &patch, &outputDevice, nullptr), jdiff::Success);
        EXPECT_EQ(oldDevice.reads, c.reads);
        EXPECT_EQ(output, old.left(output.size()));
    }
}

} // namespace
