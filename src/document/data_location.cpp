#include "document/data_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace stippon {

namespace {

namespace fs = std::filesystem;

// Where the running program's own path is found on Linux.
const char* const PROGRAM_LINK = "/proc/self/exe";
const char* const WORKING_DIRECTORY = ".";

fs::path beside_program(const std::string& program) {
  return (fs::path(program).parent_path() / STIPPON_DATA_FROM_BIN).lexically_normal();
}

}  // namespace

bool holds_data(const std::string& folder) {
  std::error_code error;
  const fs::path root(folder);
  return fs::is_directory(root / "dots", error) && fs::is_directory(root / "tones", error);
}

std::string describe(const _data_place& place) {
  switch (place.source) {
    case data_from_option:
      return place.folder + " (--data)";
    case data_from_environment:
      return place.folder + " (" + DATA_ENVIRONMENT + ")";
    case data_beside_program:
      return place.folder + " (beside the program)";
    case data_in_working_directory:
      break;
  }
  std::error_code error;
  const fs::path here = fs::current_path(error);
  return (error ? std::string(WORKING_DIRECTORY) : here.string()) + " (the working directory)";
}

_data_location _data_location::find(const std::string& option) {
  const char* environment = std::getenv(DATA_ENVIRONMENT);
  std::error_code error;
  const fs::path program = fs::read_symlink(PROGRAM_LINK, error);
  return find(option, environment ? environment : "", error ? std::string() : program.string());
}

_data_location _data_location::find(const std::string& option, const std::string& environment,
                                    const std::string& program) {
  _data_location location;
  if (!option.empty()) {
    location.try_place(option, data_from_option);
  } else if (!environment.empty()) {
    location.try_place(environment, data_from_environment);
  } else {
    const bool found = !program.empty() &&
                       location.try_place(beside_program(program).string(), data_beside_program);
    if (!found) location.try_place(WORKING_DIRECTORY, data_in_working_directory);
  }
  return location;
}

bool _data_location::try_place(const std::string& folder, _data_source source) {
  places.push_back({folder, source});
  if (!holds_data(folder)) return false;
  chosen = folder;
  return true;
}

std::string _data_location::description() const {
  return found() ? describe(places.back()) : std::string();
}

std::string _data_location::report() const {
  std::string text = "no data folder holding dots/ and tones/ was found; searched:";
  for (const _data_place& place : places) text += "\n  " + describe(place);
  return text;
}

}  // namespace stippon
