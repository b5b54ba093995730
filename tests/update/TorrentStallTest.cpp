// When a torrent counts as stalled, on a clock of the test's own: looks at
// the torrent, each at its time, and whether the bound has run out then.

#include "update/TorrentStall.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Clock = TorrentStall::Clock;

struct Step
{
    int atMs;
    int pieces;
    qint64 payload;
    qint64 failed;
    bool peer;
    bool held;
    bool stalled;
};

TEST(TorrentStall, RunsOutOnlyWithoutProgressOrPeer)
{
    const struct {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"nothing comes", {{0, 0, 0, 0, false, false, false}, {999, 0, 0, 0, false, false, false},
                           {1000, 0, 0, 0, false, false, true}}},
        {"a new piece starts the bound again",
         {{0, 0, 0, 0, false, false, false}, {900, 1, 0, 0, false, false, false},
          {1800, 1, 0, 0, false, false, false}, {1900, 1, 0, 0, false, false, true}}},
        {"payload that may still pass counts, however slow",
         {{0, 0, 0, 0, false, false, false}, {900, 0, 100, 0, false, false, false},
          {1800, 0, 101, 0, false, false, false}, {2800, 0, 101, 0, false, false, true}}},
        {"payload after a failed hash check counts only once a piece has passed",
         {{0, 0, 0, 0, false, false, false}, {500, 0, 100, 100, false, false, false},
          {1000, 0, 300, 100, false, false, true}, {1100, 1, 400, 100, false, false, false},
          {2000, 1, 500, 100, false, false, false}, {3000, 1, 500, 100, false, false, true}}},
        {"failed bytes from before the wait do not count against it",
         {{0, 0, 0, 700, false, false, false}, {900, 0, 100, 700, false, false, false},
          {1800, 0, 100, 700, false, false, false}, {1900, 0, 100, 700, false, false, true}}},
        {"a BitTorrent peer holds it",
         {{0, 0, 0, 0, false, false, false}, {1500, 0, 0, 0, true, false, false},
          {2400, 0, 0, 0, false, false, false}, {2500, 0, 0, 0, false, false, true}}},
        {"a paused or checking torrent holds it",
         {{0, 0, 0, 0, false, false, false}, {2000, 0, 0, 0, false, true, false},
          {2900, 0, 0, 0, false, false, false}, {3000, 0, 0, 0, false, false, true}}},
        {"a recheck that finds fewer pieces is no progress, the next piece is",
         {{0, 3, 0, 0, false, false, false}, {900, 1, 0, 0, false, false, false},
          {1000, 1, 0, 0, false, false, true}, {1100, 2, 0, 0, false, false, false}}},
    };
    const Clock::time_point start = Clock::now();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TorrentStall stall(std::chrono::milliseconds(1000));
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.atMs);
            TorrentStall::Look look;
            look.verifiedPieces = step.pieces;
            look.payloadReceived = step.payload;
            look.failedBytes = step.failed;
            look.peerConnected = step.peer;
            look.held = step.held;
            EXPECT_EQ(stall.stalled(look, start + std::chrono::milliseconds(step.atMs)), step.stalled);
        }
    }
}

TEST(TorrentStall, AnswersNameEverySourceOnce)
{
    TorrentStall stall(std::chrono::milliseconds(1000));
    EXPECT_EQ(stall.answers({}), "no source");
    EXPECT_EQ(stall.answers({"http://a/x.7z"}), "http://a/x.7z: no answer");

    stall.noteAnswer("http://a/x.7z", "404 Not Found");
    stall.noteAnswer("peer 10.0.0.2:6881", "connection reset");
    stall.noteAnswer("http://a/x.7z", "peer banned");
    stall.noteHashFailure();
    stall.noteHashFailure();
    EXPECT_EQ(stall.answers({"http://a/x.7z", "http://b/x.7z"}),
              "http://a/x.7z: peer banned; peer 10.0.0.2:6881: connection reset; http://b/x.7z: no answer; "
              "2 pieces failed the hash check");
}

} // namespace
