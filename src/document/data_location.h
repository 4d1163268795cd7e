#pragma once

#include <string>
#include <vector>

namespace stippon {

// The environment variable that names a data folder.
inline constexpr const char* DATA_ENVIRONMENT = "STIPPON_DATA";

// How a searched folder came to be searched.
enum _data_source {
  data_from_option,       // --data DIR
  data_from_environment,  // STIPPON_DATA
  data_beside_program,    // share/stippon beside the program's bin folder
  data_in_working_directory,
};

struct _data_place {
  std::string folder;
  _data_source source;
};

// The folder holding the dot sheets (dots/), tone ramps (tones/), icons and sample photographs,
// looked up the same way by both programs: the folder given with --data, else the one in
// STIPPON_DATA; when neither is given, share/stippon beside the program (an installed, moved or
// unpacked copy), then the working directory. A folder qualifies when it holds dots/ and tones/.
// A folder the user names is the only one searched, so that a mistyped name is reported instead
// of being quietly replaced by another copy of the data.
class _data_location {
 public:
  // Searches with this --data value (empty when none was given), the environment and the path of
  // the running program.
  static _data_location find(const std::string& option);
  // The same search with each input given: the option, the environment variable's value (empty
  // when unset) and the program's path (empty when unknown).
  static _data_location find(const std::string& option, const std::string& environment,
                             const std::string& program);

  bool found() const { return !chosen.empty(); }
  // The folder to read from: "." for the working directory; empty when none qualified.
  const std::string& folder() const { return chosen; }
  const std::vector<_data_place>& searched() const { return places; }
  // The found folder as messages name it, e.g. "/usr/share/stippon (beside the program)".
  std::string description() const;
  // Why nothing was found, with every folder searched, one per line.
  std::string report() const;

 private:
  std::string chosen;
  std::vector<_data_place> places;

  bool try_place(const std::string& folder, _data_source source);
};

// True when the folder holds dots/ and tones/.
bool holds_data(const std::string& folder);

// A searched folder as messages name it: the folder and where it came from.
std::string describe(const _data_place& place);

}  // namespace stippon
