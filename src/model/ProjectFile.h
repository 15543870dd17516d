#pragma once
// Reading and writing project files (.sgn) on disk.
#include <QString>
#include <optional>

class TSGNPanels;

namespace ProjectFile {

// Loads the file into the project. On failure the project is unchanged and
// the result says why, with the byte offset for a malformed file or the
// system's reason for a file that cannot be opened.
std::optional<QString> Load(const QString& path, TSGNPanels& project);

// Writes the project atomically: a temporary file beside the target is
// written, flushed and renamed over it, so a crash or a full disk never
// leaves a truncated project. The reason on failure.
std::optional<QString> Save(const QString& path, const TSGNPanels& project);

// Moves a project file that failed to load out of the way, keeping it under
// a name that says so ("NAME.damaged-YYYYMMDD-HHMMSS.sgn"). The new path, or
// empty when it could not be moved.
QString SetAsideDamaged(const QString& path);

} // namespace ProjectFile
