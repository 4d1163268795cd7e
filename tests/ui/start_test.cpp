// How the desktop program starts: its command line, and a window that takes its dot sheets, tones,
// icons and dialog folder from the data folder found, then opens the file it was given.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "controller/controller.h"
#include "document/data_location.h"
#include "ui/command_line.h"
#include "ui/window.h"

namespace stippon {
namespace {

// Each request a command line makes, and the errors it can meet.
TEST(CommandLine, Requests) {
  using enum _command_line::_request;
  // clang-format off
  const struct { const char* name; QStringList arguments; _command_line::_request request;
                 QString data, file, error; bool unknown = false; } cases[] = {
      {"nothing", {}, request_open, "", "", ""},
      {"--data and a file", {"--data", "/d", "a b.pgm"}, request_open, "/d", "a b.pgm", ""},
      {"--data=DIR after the file", {"a.pgm", "--data=/d"}, request_open, "/d", "a.pgm", ""},
      {"a file named like an option", {"--", "--data"}, request_open, "", "--data", ""},
      {"--help", {"--help", "a.pgm"}, request_help, "", "", ""},
      {"-h", {"-h"}, request_help, "", "", ""},
      {"--version", {"--version"}, request_version, "", "", ""},
      {"two files", {"a.pgm", "b.pgm"}, request_error, "", "", "only one FILE can be opened"},
      {"an unknown option", {"--frobnicate"}, request_error, "", "", "Unknown option 'frobnicate'.",
       true},
      {"one of Qt's own", {"-platform", "offscreen", "a.pgm"}, request_error, "", "",
       "Unknown option 'platform'.", true},
      {"--data without its folder", {"--data"}, request_error, "", "",
       "Missing value after '--data'."},
      {"an empty --data", {"--data="}, request_error, "", "", "--data needs a folder name"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const _command_line line(QStringList{"stippon"} + c.arguments);
    EXPECT_EQ(line.request(), c.request);
    EXPECT_EQ(line.data_folder(), c.data);
    EXPECT_EQ(line.file(), c.file);
    EXPECT_EQ(line.error(), c.error);
    EXPECT_EQ(line.unknown_option(), c.unknown);
  }
}

// The window started as main starts it: `stippon --data DIR FILE` from a folder without data.
TEST(Start, TheWindowUsesTheDataFolderAndOpensTheFileGiven) {
  QTemporaryDir work;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(work.path());
  const _command_line line(
      {"stippon", "--data", STIPPON_DATA_DIR, STIPPON_DATA_DIR "/images/chelsea_gray.pgm"});
  const _data_location data = _data_location::find(line.data_folder().toStdString());
  ASSERT_EQ(data.folder(), STIPPON_DATA_DIR);
  {
    _window window(data.folder());
    QStringList dialog_folders, warnings;
    window.ask_open_file_name = [&](const QString&, const QString& folder, const QString&) {
      dialog_folders << folder;
      return QString();
    };
    window.warn = [&](const QString&, const QString& text) { warnings << text; };

    for (QAction* action : {window.open_action, window.save_action, window.exit_action})
      EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    EXPECT_EQ(window.windowIcon().availableSizes(), (QList<QSize>{{48, 48}, {256, 256}}));
    EXPECT_GT(window.controller().document().tone_ramp(TONE_COUNT - 1).width, 0u);

    EXPECT_TRUE(window.open(line.file()));
    EXPECT_TRUE(window.controller().loaded());
    EXPECT_EQ(window.controller().document().input().width, 451u);
    EXPECT_TRUE(window.tab_widget->isEnabled());
    EXPECT_TRUE(window.save_action->isEnabled());
    EXPECT_TRUE(warnings.isEmpty());

    // The dialogs start among the sample photographs of the data folder.
    window.open_action->trigger();
    window.link_action->trigger();
    EXPECT_EQ(dialog_folders, QStringList(2, STIPPON_DATA_DIR "/images"));
  }
  QDir::setCurrent(previous);
}

}  // namespace
}  // namespace stippon
