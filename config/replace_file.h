#pragma once

#include <string>
#include <string_view>

namespace dovrik {

// Replaces the content of the file at `path` with `contents` without ever
// leaving it half-written: the text goes to a new temporary file in the same
// directory, every write, the flush to disk and the close are checked, and
// only then is the temporary file renamed over the old one. On any failure
// the temporary file is removed and the old file stays byte-for-byte as it
// was. An existing file that cannot be opened for writing (made read-only,
// say) is left as it is, and so is anything that is not a regular file (a
// FIFO, a device, a directory): nothing is written then. If `path` is a
// symbolic link (or a chain of them), the link stays and the file it finally
// names is replaced. An existing file keeps its permission bits; a new one
// gets 0666 less the umask, as fopen would give. Temporary files left beside
// the file by a save that was killed are removed first. Returns true when
// the file now holds `contents`.
bool ReplaceFileContents(const std::string& path, std::string_view contents);

// Creates a new, empty file beside `target` (in its directory) under a name
// no one else uses, "<target>.tmp-<pid>-<n>", and gives its descriptor, or -1
// with errno set. The mode is 0666 narrowed by the umask, as for a file that
// fopen creates. The caller writes, closes and renames or removes it.
int CreateTemporaryFileBeside(const std::string& target, std::string& name);

// The file a path finally names once its symbolic links are followed (the
// path itself when it is no link). A link whose target does not exist yet
// yields that target. Links are followed at most 40 times.
std::string ResolveSymbolicLinks(const std::string& path);

}  // namespace dovrik
