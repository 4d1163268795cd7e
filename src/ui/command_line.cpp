#include "ui/command_line.h"

#include <QCommandLineParser>

namespace stippon {

_command_line::_command_line(const QStringList& arguments) {
  QCommandLineParser parser;
  // Qt's own options are single-dash words, e.g. -platform.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({"h", "help"}, "");
  const QCommandLineOption version("version", "");
  const QCommandLineOption data_option("data", "", "DIR");
  parser.addOptions({help, version, data_option});
  parser.addPositionalArgument("FILE", "");
  if (!parser.parse(arguments)) {
    asked = request_error;
    problem = parser.errorText();
    unknown = !parser.unknownOptionNames().isEmpty();
    return;
  }
  if (parser.isSet(help)) {
    asked = request_help;
    return;
  }
  if (parser.isSet(version)) {
    asked = request_version;
    return;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    asked = request_error;
    problem = "only one FILE can be opened";
    return;
  }
  if (parser.isSet(data_option)) {
    data = parser.value(data_option);
    if (data.isEmpty()) {
      asked = request_error;
      problem = "--data needs a folder name";
      return;
    }
  }
  if (!files.isEmpty()) file_name = files.first();
}

QString _command_line::usage() {
  return R"(Usage: stippon [--data DIR] [FILE]
Turns a photograph into a stippled print. FILE, when given, is opened at start.

  --data DIR    folder holding dots/ and tones/ (and icons/, images/); without it the folder
                named by STIPPON_DATA, else share/stippon beside the program's folder, else
                the working directory
  -h, --help    print this summary
  --version     print the version

Exit status: 0 when the window is closed, 2 for bad usage, above 0 when no data folder is
found or its files cannot be read.
)";
}

}  // namespace stippon
