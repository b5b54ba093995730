#include "tools/jdiff-encode/JDiffEncoder.h"

#include "content/patch/jdiff/JDiffFormat.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <vector>

namespace jdiff {
namespace {

// Equal runs shorter than this are not looked for (an EQL costs up to four
// bytes, and the index holds one block of this size per slot).
constexpr qint64 Block = 32;

// Writes opcodes and data and keeps track of where the decoder's old file
// stands, counting the modified bytes it will skip.
class DeltaWriter
{
public:
    DeltaWriter(QByteArray& out, const EncodeOptions& options) : m_out(out), m_options(options) {}

    qint64 oldPos() const { return m_oldPos; }

    void modify(const uchar* data, qint64 size)
    {
        if (size <= 0)
            return;
        const bool implicit = m_options.implicitMod && m_mode != Mode::Mod && m_mode != Mode::Ins;
        if (m_mode != Mode::Mod && !implicit)
            opcode(Mod);
        m_mode = Mode::Mod;
        writeData(data, size);
        m_oldPos += size;
    }

    void insert(const uchar* data, qint64 size)
    {
        if (size <= 0)
            return;
        if (m_mode != Mode::Ins)
            opcode(Ins);
        m_mode = Mode::Ins;
        writeData(data, size);
    }

    void equal(qint64 size)
    {
        if (size <= 0)
            return;
        opcode(Eql);
        length(size);
        m_mode = Mode::Other;
        m_oldPos += size;
    }

    void moveTo(qint64 target)
    {
        if (target == m_oldPos)
            return;
        opcode(target > m_oldPos ? Del : Bkt);
        length(target > m_oldPos ? target - m_oldPos : m_oldPos - target);
        m_mode = Mode::Other;
        m_oldPos = target;
    }

private:
    // Other: after EQL, DEL or BKT.
    enum class Mode { Start, Mod, Ins, Other };

    void opcode(uchar op)
    {
        m_out.append(char(Esc));
        m_out.append(char(op));
    }

    void writeData(const uchar* data, qint64 size)
    {
        for (qint64 i = 0; i < size; ++i) {
            if (data[i] == Esc)
                m_out.append(char(Esc));
            m_out.append(char(data[i]));
        }
    }

    // The shortest form that holds size (at least 1).
    void length(qint64 size)
    {
        if (size <= LengthOneByteMax + 1) {
            m_out.append(char(size - 1));
            return;
        }
        if (size <= 508) {
            m_out.append(char(LengthByte));
            m_out.append(char(size - 253));
            return;
        }
        const int bytes = size <= 0xFFFF ? 2 : size <= 0xFFFFFFFFLL ? 4 : 8;
        m_out.append(char(bytes == 2 ? Length16 : bytes == 4 ? Length32 : Length64));
        for (int i = bytes - 1; i >= 0; --i)
            m_out.append(char(quint64(size) >> (8 * i)));
    }

    QByteArray& m_out;
    const EncodeOptions& m_options;
    Mode m_mode = Mode::Start;
    qint64 m_oldPos = 0;
};

// A polynomial hash over Block bytes that can be rolled one byte forwards.
class RollingHash
{
public:
    RollingHash()
    {
        m_outFactor = 1;
        for (qint64 i = 1; i < Block; ++i)
            m_outFactor *= Prime;
    }

    quint64 of(const uchar* data) const
    {
        quint64 h = 0;
        for (qint64 i = 0; i < Block; ++i)
            h = h * Prime + data[i];
        return h;
    }

    // The hash of the window one byte further on: out leaves, in enters.
    quint64 roll(quint64 h, uchar out, uchar in) const { return (h - out * m_outFactor) * Prime + in; }

private:
    static constexpr quint64 Prime = 0x100000001B3ULL;
    quint64 m_outFactor;
};

// The old data's blocks at multiples of Block, by hash; one position per
// slot (the first one), so some blocks are lost to collisions, which only
// makes a shared run start a block later.
class BlockIndex
{
public:
    BlockIndex(const uchar* data, qint64 size, const RollingHash& hash)
    {
        qint64 slotCount = 1024;
        while (slotCount < size / Block)
            slotCount *= 2;
        m_mask = quint64(slotCount - 1);
        m_positions.assign(std::size_t(slotCount), -1);
        for (qint64 p = 0; p + Block <= size; p += Block) {
            qint64& slot = m_positions[slotOf(hash.of(data + p))];
            if (slot < 0)
                slot = p;
        }
    }

    // A position whose block may have this hash, or -1.
    qint64 find(quint64 h) const { return m_positions[slotOf(h)]; }

private:
    std::size_t slotOf(quint64 h) const { return std::size_t((h * 0x9E3779B97F4A7C15ULL) >> 17 & m_mask); }

    std::vector<qint64> m_positions;
    quint64 m_mask = 0;
};

class Encoder
{
public:
    Encoder(const uchar* old, qint64 oldSize, const uchar* neu, qint64 newSize, QByteArray& out,
            const EncodeOptions& options)
        : m_old(old), m_oldSize(oldSize), m_new(neu), m_newSize(newSize), m_writer(out, options)
    {
    }

    void run()
    {
        qint64 prefix = 0;
        const qint64 shorter = qMin(m_oldSize, m_newSize);
        while (prefix < shorter && m_old[prefix] == m_new[prefix])
            ++prefix;
        qint64 suffix = 0;
        while (suffix < shorter - prefix && m_old[m_oldSize - 1 - suffix] == m_new[m_newSize - 1 - suffix])
            ++suffix;

        m_writer.equal(prefix);
        const qint64 middleEnd = m_newSize - suffix;
        const qint64 gapStart = matchMiddle(prefix, middleEnd);
        if (suffix > 0) {
            writeGap(gapStart, middleEnd, m_oldSize - suffix);
            m_writer.moveTo(m_oldSize - suffix);
            m_writer.equal(suffix);
        } else {
            // Nothing follows: the new tail replaces what is left of the old
            // file and grows past it; no move is needed.
            writeGap(gapStart, middleEnd, m_oldSize);
        }
    }

private:
    // Writes new[begin, end) as modified and inserted bytes, the decoder's
    // old file then going to target: modified bytes as far as they replace
    // old bytes before target, the rest inserted.
    void writeGap(qint64 begin, qint64 end, qint64 target)
    {
        const qint64 size = end - begin;
        const qint64 replaced = qBound<qint64>(0, target - m_writer.oldPos(), size);
        m_writer.modify(m_new + begin, replaced);
        m_writer.insert(m_new + begin + replaced, size - replaced);
    }

    // Encodes the shared runs found in new[begin, end); returns where the
    // unmatched rest begins.
    qint64 matchMiddle(qint64 begin, qint64 end)
    {
        if (end - begin < Block || m_oldSize < Block)
            return begin;
        const RollingHash hash;
        const BlockIndex index(m_old, m_oldSize, hash);

        qint64 gap = begin; // first byte not yet written
        qint64 j = begin;   // the window new[j, j + Block) being looked up
        quint64 h = hash.of(m_new + j);
        while (j + Block <= end) {
            // First the old bytes the gap would reach as modified bytes (an
            // edit that kept the length), then the index.
            qint64 from = m_writer.oldPos() + (j - gap);
            if (!sameBlock(j, from)) {
                from = index.find(h);
                if (!sameBlock(j, from))
                    from = -1;
            }
            if (from < 0) {
                if (j + Block < end)
                    h = hash.roll(h, m_new[j], m_new[j + Block]);
                ++j;
                continue;
            }

            qint64 start = j;
            qint64 length = Block;
            while (start > gap && from > 0 && m_new[start - 1] == m_old[from - 1]) {
                --start;
                --from;
                ++length;
            }
            while (start + length < end && from + length < m_oldSize && m_new[start + length] == m_old[from + length])
                ++length;

            writeGap(gap, start, from);
            m_writer.moveTo(from);
            m_writer.equal(length);
            gap = j = start + length;
            if (j + Block <= end)
                h = hash.of(m_new + j);
        }
        return gap;
    }

    bool sameBlock(qint64 newPos, qint64 oldPos) const
    {
        return oldPos >= 0 && oldPos + Block <= m_oldSize && std::memcmp(m_new + newPos, m_old + oldPos, Block) == 0;
    }

    const uchar* m_old;
    qint64 m_oldSize;
    const uchar* m_new;
    qint64 m_newSize;
    DeltaWriter m_writer;
};

// The file's bytes, mapped; empty files map to nothing.
class MappedFile
{
public:
    bool open(const QString& path, QString* error)
    {
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::ReadOnly)) {
            *error = path + QStringLiteral(": ") + m_file.errorString();
            return false;
        }
        if (m_file.size() == 0)
            return true;
        m_data = m_file.map(0, m_file.size());
        if (!m_data) {
            *error = path + QStringLiteral(": ") + m_file.errorString();
            return false;
        }
        return true;
    }

    const char* data() const { return reinterpret_cast<const char*>(m_data); }
    qint64 size() const { return m_data ? m_file.size() : 0; }

private:
    QFile m_file;
    uchar* m_data = nullptr;
};

} // namespace

QByteArray encode(const char* oldData, qint64 oldSize, const char* newData, qint64 newSize,
                  const EncodeOptions& options)
{
    QByteArray out;
    Encoder(reinterpret_cast<const uchar*>(oldData), oldSize, reinterpret_cast<const uchar*>(newData), newSize, out,
            options)
        .run();
    return out;
}

QByteArray encode(const QByteArray& oldData, const QByteArray& newData, const EncodeOptions& options)
{
    return encode(oldData.constData(), oldData.size(), newData.constData(), newData.size(), options);
}

bool encodeFiles(const QString& oldPath, const QString& newPath, const QString& patchPath, QString* error,
                 const EncodeOptions& options)
{
    QString reason;
    MappedFile oldFile;
    MappedFile newFile;
    bool ok = oldFile.open(oldPath, &reason) && newFile.open(newPath, &reason);
    if (ok) {
        const QByteArray delta = encode(oldFile.data(), oldFile.size(), newFile.data(), newFile.size(), options);
        QSaveFile out(patchPath);
        ok = out.open(QIODevice::WriteOnly) && out.write(delta) == delta.size() && out.commit();
        if (!ok)
            reason = patchPath + QStringLiteral(": ") + out.errorString();
    }
    if (!ok && error)
        *error = reason;
    return ok;
}

} // namespace jdiff
