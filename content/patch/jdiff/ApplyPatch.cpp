#include "content/patch/jdiff/ApplyPatch.h"

#include "content/patch/jdiff/JDiffFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <memory>

namespace jdiff {
namespace {

// An equal run is copied in pieces of at most this many bytes per read of
// the old file.
constexpr qint64 CopyPiece = 4096;
// Progress is reported when the patch position enters a new block.
constexpr qint64 ProgressBlock = 1024;
// The patch is fetched in blocks of this size and the output is collected up
// to this size before it is written: the decoder touches its devices once per
// block instead of once per byte.
constexpr qint64 PatchBlock = 64 * 1024;
constexpr qint64 OutputBlock = 1024 * 1024;

// One length field, its bytes taken from next(uchar&) until it says false.
template <typename NextByte>
bool decodeLength(NextByte&& next, qint64* out)
{
    uchar first = 0;
    if (!next(first))
        return false;
    if (first <= LengthOneByteMax) {
        *out = qint64(first) + 1;
        return true;
    }
    if (first == LengthByte) {
        uchar n = 0;
        if (!next(n))
            return false;
        *out = qint64(n) + 253;
        return true;
    }
    const int count = first == Length16 ? 2 : first == Length32 ? 4 : 8;
    quint64 value = 0;
    for (int i = 0; i < count; ++i) {
        uchar b = 0;
        if (!next(b))
            return false;
        value = (value << 8) | b;
    }
    // The 64-bit form may carry a negative number; the callers deal with it.
    *out = qint64(value);
    return true;
}

// The patch, read forwards in blocks, with the position of the last byte
// handed out.
class PatchInput
{
public:
    explicit PatchInput(QIODevice* device)
        : m_device(device), m_buffer(new char[PatchBlock]), m_position(device->pos())
    {
    }

    bool next(uchar& c)
    {
        if (m_next == m_end && !refill())
            return false;
        c = uchar(m_buffer[m_next++]);
        ++m_position;
        return true;
    }

    qint64 position() const { return m_position; }

private:
    bool refill()
    {
        const qint64 got = m_device->read(m_buffer.get(), PatchBlock);
        if (got <= 0)
            return false;
        m_next = 0;
        m_end = got;
        return true;
    }

    QIODevice* m_device;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_next = 0;
    qint64 m_end = 0;
    qint64 m_position;
};

// The output, collected and written in large blocks. A failed write is
// remembered: everything after it fails too.
class OutputBuffer
{
public:
    OutputBuffer(QIODevice* device, qint64 limit)
        : m_device(device), m_buffer(new char[OutputBlock]), m_limit(limit)
    {
    }

    // Whether size more bytes keep the output within its limit.
    bool fits(qint64 size) const { return m_limit < 0 || size <= m_limit - m_written - m_fill; }

    bool put(uchar c)
    {
        if (m_fill == OutputBlock && !flush())
            return false;
        m_buffer[m_fill++] = char(c);
        return true;
    }

    // Room for size (at most OutputBlock) bytes at the end; null when the
    // writes needed to make it failed. commit says how many were filled.
    char* space(qint64 size)
    {
        if (OutputBlock - m_fill < size && !flush())
            return nullptr;
        return m_buffer.get() + m_fill;
    }
    void commit(qint64 size) { m_fill += size; }

    bool flush()
    {
        if (m_failed)
            return false;
        if (m_fill > 0 && m_device->write(m_buffer.get(), m_fill) != m_fill)
            m_failed = true;
        m_written += m_fill;
        m_fill = 0;
        return !m_failed;
    }

private:
    QIODevice* m_device;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_fill = 0;
    const qint64 m_limit;
    qint64 m_written = 0;
    bool m_failed = false;
};

class Decoder
{
public:
    Decoder(QIODevice* old, QIODevice* patch, QIODevice* output, JDiffProgress* progress, qint64 outputLimit)
        : m_old(old), m_patch(patch), m_in(patch), m_out(output, outputLimit), m_progress(progress)
    {
    }

    int run()
    {
        m_patchSize = m_patch->size();
        for (;;) {
            uchar c = 0;
            if (!m_in.next(c)) {
                // The only place where the end of the patch is accepted.
                if (!m_out.flush())
                    return WriteFailed;
                if (m_progress)
                    m_progress->jdiffProgress(m_patchSize, m_patchSize);
                return Success;
            }
            reportProgress();
            const int result = step(c);
            if (result != Success)
                return m_out.flush() ? result : WriteFailed;
        }
    }

private:
    // The modes of the format. Data bytes are written in MOD and INS mode;
    // ESC is the mode before the first opcode.
    enum class Mode { Esc, Mod, Ins, Del, Eql, Bkt };

    void reportProgress()
    {
        if (!m_progress)
            return;
        const qint64 position = m_in.position();
        const qint64 block = position / ProgressBlock;
        if (block != m_lastBlock) {
            m_lastBlock = block;
            m_progress->jdiffProgress(position, m_patchSize);
        }
    }

    bool readLength(qint64* length)
    {
        return decodeLength([this](uchar& b) { return m_in.next(b); }, length);
    }

    // Handles the byte c and whatever belongs to it.
    int step(uchar c)
    {
        if (c != Esc)
            return data(c, false);

        uchar d = 0;
        if (!m_in.next(d))
            return PatchTruncated;
        qint64 length = 0;
        qint64 offset = 0;
        switch (d) {
        case Mod:
            m_mode = Mode::Mod;
            return Success;
        case Ins:
            m_mode = Mode::Ins;
            return Success;
        case Del:
            m_mode = Mode::Del;
            if (!readLength(&length))
                return PatchTruncated;
            return !__builtin_add_overflow(m_pendingSkip, length, &offset) && moveOld(offset) ? Success : SeekFailed;
        case Bkt:
            m_mode = Mode::Bkt;
            if (!readLength(&length))
                return PatchTruncated;
            return !__builtin_sub_overflow(m_pendingSkip, length, &offset) && moveOld(offset) ? Success : SeekFailed;
        case Eql:
            m_mode = Mode::Eql;
            if (!readLength(&length))
                return PatchTruncated;
            if (m_pendingSkip > 0 && !moveOld(m_pendingSkip))
                return SeekFailed;
            return copyOld(length);
        case Esc:
            return data(Esc, false);
        default:
            return data(d, true);
        }
    }

    // A data byte, after an ESC prefix when prefixed (which stands for the
    // data byte 0xA7 before it).
    int data(uchar c, bool prefixed)
    {
        // Encoders since 2020 leave out the ESC MOD before modified bytes
        // that start the patch or follow an EQL, DEL or BKT: data in those
        // modes is modified data. Older encoders never put data there.
        if (m_mode != Mode::Ins)
            m_mode = Mode::Mod;
        if (!m_out.fits(prefixed ? 2 : 1))
            return OutputTooLarge;
        if (prefixed && !m_out.put(Esc))
            return WriteFailed;
        if (!m_out.put(c))
            return WriteFailed;
        // Modified bytes replace old bytes one for one; the old file is
        // moved past them lazily, by the next DEL, EQL or BKT.
        if (m_mode == Mode::Mod)
            m_pendingSkip += prefixed ? 2 : 1;
        return Success;
    }

    // Moves the old file by offset from where it stands, which settles the
    // pending skip (the caller has counted it in). A target before the start
    // or beyond the 64-bit range fails without asking the device.
    bool moveOld(qint64 offset)
    {
        qint64 target = 0;
        if (__builtin_add_overflow(m_old->pos(), offset, &target) || target < 0)
            return false;
        m_pendingSkip = 0;
        return m_old->seek(target);
    }

    int copyOld(qint64 length)
    {
        // A negative length copies nothing.
        while (length > 0) {
            const qint64 piece = qMin(length, CopyPiece);
            if (!m_out.fits(piece))
                return OutputTooLarge;
            char* target = m_out.space(piece);
            if (!target)
                return WriteFailed;
            if (m_old->read(target, piece) != piece)
                return OldFileTooShort;
            m_out.commit(piece);
            length -= piece;
        }
        return Success;
    }

    QIODevice* m_old;
    QIODevice* m_patch;
    PatchInput m_in;
    OutputBuffer m_out;
    JDiffProgress* m_progress;
    qint64 m_patchSize = 0;
    Mode m_mode = Mode::Esc;
    // Modified bytes written since the old file was last repositioned.
    qint64 m_pendingSkip = 0;
    qint64 m_lastBlock = 0;
};

} // namespace

int applyPatchFiles(const QString& oldPath, const QString& patchPath, const QString& outputPath,
                    JDiffProgress* progress, qint64 outputLimit)
{
    if (!QFileInfo::exists(oldPath))
        return OldFileUnreadable;
    if (!QFileInfo::exists(patchPath))
        return PatchFileUnreadable;

    QFile old(oldPath);
    if (!old.open(QIODevice::ReadOnly))
        return OldFileUnreadable;
    // The decoder buffers the patch and the output itself; Qt's buffers
    // would only copy the bytes once more, and an unbuffered output reports
    // a failed write at once instead of at close.
    QFile patch(patchPath);
    if (!patch.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return PatchFileUnreadable;
    QFile output(outputPath);
    if (!output.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return PatchTruncated;
    return applyPatch(&old, &patch, &output, progress, outputLimit);
}

int applyPatch(QIODevice* old, QIODevice* patch, QIODevice* output, JDiffProgress* progress, qint64 outputLimit)
{
    return Decoder(old, patch, output, progress, outputLimit).run();
}

bool readLength(QIODevice* patch, qint64* out)
{
    return decodeLength([patch](uchar& b) { return readByte(patch, &b); }, out);
}

bool readByte(QIODevice* device, uchar* out)
{
    char c = 0;
    if (!device->getChar(&c))
        return false;
    *out = uchar(c);
    return true;
}

} // namespace jdiff
