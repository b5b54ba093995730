#include "update/TorrentStall.h"


TorrentStall::TorrentStall(Clock::duration bound) : m_bound(bound)
{
}

bool TorrentStall::stalled(const Look& look, Clock::time_point now)
{
    if (!m_started) {
        m_started = true;
        m_failedAtLastPiece = look.failedBytes;
        m_lastProgress = now;
    }
    bool progress = look.held || look.peerConnected;
    if (look.verifiedPieces > m_verifiedPieces) {
        m_failedAtLastPiece = look.failedBytes;
        progress = true;
    }
    if (look.payloadReceived > m_payloadReceived && look.failedBytes == m_failedAtLastPiece)
        progress = true;
    // A recheck may find fewer pieces than were counted.
    m_verifiedPieces = look.verifiedPieces;
    m_payloadReceived = look.payloadReceived;
    if (progress)
        m_lastProgress = now;
    return now - m_lastProgress >= m_bound;
}

void TorrentStall::noteAnswer(const QString& source, const QString& answer)
{
    for (QPair<QString, QString>& known : m_answers) {
        if (known.first == source) {
            known.second = answer;
            return;
        }
    }
    m_answers.append({source, answer});
}

QString TorrentStall::answers(const QStringList& sources) const
{
    QStringList parts;
    QStringList answered;
    for (const QPair<QString, QString>& known : m_answers) {
        parts << known.first + QStringLiteral(": ") + known.second;
        answered << known.first;
    }
    for (const QString& source : sources) {
        if (!answered.contains(source))
            parts << source + QStringLiteral(": no answer");
    }
    if (m_hashFailures > 0)
        parts << QString::number(m_hashFailures) + QStringLiteral(" pieces failed the hash check");
    if (parts.isEmpty())
        return QStringLiteral("no source");
    return parts.join(QStringLiteral("; "));
}
