#pragma once

#include <QJsonObject>
#include <QString>

// The small notes the engine keeps beside the downloads: one JSON object in
// a hidden file of "Update". The download cleanup lists no hidden files, so
// a note stays there across jobs and restarts, and the uninstall removes it
// with the folder.

enum class UpdateNoteState {
    Missing,    // no such file
    Unreadable, // there, but not one JSON object that can be read
    Read,
};

// The path of the note called `name` ("." and all) in "Update".
QString updateNotePath(const QString& name);

// Fills `out` with the note when it could be read, else leaves it empty.
UpdateNoteState readUpdateNote(const QString& name, QJsonObject& out);

// Crash-safe: the note is there whole or not at all. A failure writes one
// critical line, "failed to write the <what>: <path>".
bool writeUpdateNote(const QString& name, const QJsonObject& note, const QString& what);
