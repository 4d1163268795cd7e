#pragma once

#include <string>

#include "files/file_handle.h"

namespace stippon {

// The file name that stands for standard input when read and standard output when written.
inline constexpr char STANDARD_STREAM[] = "-";
// Reasons given after "<file>: " when a file is refused; others are the system's own texts.
inline constexpr char IS_READ_ONLY[] = "is read-only";
inline constexpr char IS_A_FOLDER[] = "is a folder";

bool is_standard_stream(const std::string& name);

// The system's text for an errno value ("No such file or directory").
std::string system_reason(int error);

// The file a name stands for once the symbolic links at its end are followed, a relative link
// being taken from the link's own folder. The result may not exist yet (a dangling link names the
// file to create). Empty, with errno set, for a link loop or an unreadable link.
std::string resolve_links(const std::string& name);

// Opens a file, or standard input for "-", as a stream to read from start to end without
// seeking, so that pipes, FIFOs and devices read like files. A folder is refused. On failure
// returns null and sets reason to IS_A_FOLDER or the system's text.
file_handle open_input(const std::string& name, std::string& reason);

// Why `name` cannot be written, found before any work; empty when it can. "-" (standard output)
// always can. Otherwise the links at its end are followed and:
// - an existing folder gives IS_A_FOLDER;
// - an existing file that no write permission bit grants to the caller gives IS_READ_ONLY. The
//   system's own check says yes to root for every file, but a file whose write bits are all off
//   was marked "do not change" by its owner, and root is refused too, as editors do;
// - a regular file is replaced by a rename in its folder, so the folder must be writable as well;
//   a new file needs its folder to exist and be writable: otherwise the system's text for why not.
std::string output_problem(const std::string& name);

// Whether an input and an output name the same file: same device and inode once links are
// followed ("./x", "a/../x", symbolic and hard links); an input "-" is whatever standard input
// reads. False when either does not exist, and for an output "-": standard output never replaces
// the input.
bool same_file(const std::string& input, const std::string& output);

}  // namespace stippon
