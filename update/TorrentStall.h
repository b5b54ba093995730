#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <chrono>

// Tells when a torrent download can no longer go on by itself, and keeps
// what its sources answered for the line that reports it.
//
// A torrent has stalled when, for the whole bound, no new piece has passed
// its hash check, no payload has come in that may still pass it, and no
// BitTorrent peer has been connected. A web seed is no peer here: a mirror
// that answers 404, stops sending or sends bytes that fail the hash check
// is what the bound is for, and libtorrent's own retries of such a web seed,
// failing again, do not restart it. Payload after a failed hash check counts
// again only once a piece has passed, so that a source of wrong bytes cannot
// hold the torrent for ever; payload before it does, so that a slow but
// honest source, which needs longer than the bound for one piece, is not
// cut. While the torrent is held (the session paused, its files being
// checked) there is nothing to wait for, and the bound starts again after.
class TorrentStall
{
public:
    using Clock = std::chrono::steady_clock;

    // One look at the torrent.
    struct Look
    {
        int verifiedPieces = 0;
        qint64 payloadReceived = 0; // every payload byte so far, good or bad
        qint64 failedBytes = 0;     // of those, the ones that failed the hash check
        bool peerConnected = false; // a BitTorrent peer, not a web seed
        bool held = false;
    };

    explicit TorrentStall(Clock::duration bound);

    // True once the bound has run out without progress since the first
    // look or the last progress.
    bool stalled(const Look& look, Clock::time_point now);
    Clock::duration bound() const { return m_bound; }

    // The latest answer of each source (a web seed's URL, or a peer), in the
    // order the sources first answered, and the pieces that failed the hash
    // check.
    void noteAnswer(const QString& source, const QString& answer);
    void noteHashFailure() { ++m_hashFailures; }
    // "<source>: <answer>; ...": every source that answered, then each of
    // the given ones that did not ("no answer"), then the failed pieces;
    // "no source" when there is nothing to tell.
    QString answers(const QStringList& sources) const;

private:
    Clock::duration m_bound;
    bool m_started = false;
    Clock::time_point m_lastProgress;
    int m_verifiedPieces = 0;
    qint64 m_payloadReceived = 0;
    // The failed bytes when a piece last passed its check.
    qint64 m_failedAtLastPiece = 0;
    QList<QPair<QString, QString>> m_answers;
    int m_hashFailures = 0;
};
