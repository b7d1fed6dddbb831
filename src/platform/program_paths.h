// The program writes paths as text with backslashes and treats file names without regard to
// letter case. These helpers are the only place where such paths are split, joined or matched
// against the file system; everything else passes whole path texts.
//
// Returned paths use '/' as separator, the form every Qt file API accepts on every system.
#pragma once

#include <QString>

#include <optional>

namespace lumiro::platform {

// Backslashes (and repeated separators) become single '/'; nothing else changes.
QString nativePath(const QString& programPath);

// Joins a data-root prefix (empty, or ending in a separator; a missing final separator is
// supplied) with a relative program path such as "BAZA\KADRY\KAD.DB".
QString joinDataPath(const QString& prefix, const QString& relative);

// The existing file or folder named by the path, each component matched without regard to
// letter case; an exact match wins over other spellings. Empty when some component is missing.
std::optional<QString> findExisting(const QString& programPath);

// Like findExisting, but a missing component and everything after it are kept as written,
// so that a file about to be created lands in the existing folder whatever its spelling.
QString resolvePath(const QString& programPath);

}  // namespace lumiro::platform
