// The controller without a widget: edits made off the GUI thread once for a burst, superseded
// and cancelled runs, the undo history, the pictures of the image list and the messages.
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>

#include "controller_fixture.h"

namespace stippon::testing {
namespace {

using Controller = ControllerFixture;

const QString OVER_LIMIT =
    "Warning: The size is greater than the maximum texture size supported\nIt is changed to "
    "default values";

// The preview that a document given the same photograph and edits makes at once, on this thread.
_image made_at_once(const _document_settings& start, const std::string& photo,
                    const std::function<void(_document_settings&)>& change) {
  _stipple_document eager;
  EXPECT_TRUE(eager.load_dots(STIPPON_DATA_DIR));
  eager.apply(start);
  EXPECT_TRUE(eager.read(photo));
  _document_settings changed = eager.settings();
  change(changed);
  eager.apply(changed);
  return eager.preview();
}

_texture as_shown(const _image& image) {
  _texture shown;
  shown = image;
  return shown;
}

// The packing slider at a value.
std::function<void(_document_settings&)> packed(int slider) {
  return [slider](_document_settings& s) {
    s.stipple.scale_factor = packing_to_scale(slider / 10.0f);
  };
}

// Five steps of the packing slider cost one run for the last value and make one undo step; undo
// puts back the setting and the very same picture, redo the later one, and a burst that comes
// back to where it started leaves nothing to undo.
TEST_F(Controller, ABurstOfEditsRunsOnceAndIsOneStep) {
  const _document_settings start = settings();
  load(sample("camera.pgm"));
  const _image first = doc().preview();
  QSignalSpy started(&controller, &_controller::work_started);
  for (const int slider : {22, 24, 26, 28, 25}) edit("Packing", packed(slider), true);
  EXPECT_TRUE(controller.working());
  wait_idle();
  EXPECT_EQ(started.count(), 1);
  EXPECT_FLOAT_EQ(settings().stipple.scale_factor, 6.0f / 2.5f);
  const _image later = made_at_once(start, sample("camera.pgm"), packed(25));
  EXPECT_TRUE(same_samples(doc().preview(), later));
  EXPECT_TRUE(same_texels(picture, as_shown(later)));
  EXPECT_EQ(steps(), 1);
  EXPECT_EQ(controller.history()->undoText(), "Packing");

  controller.history()->undo();
  EXPECT_EQ(settings().stipple.scale_factor, 3.0f);
  EXPECT_TRUE(same_samples(doc().preview(), first));
  controller.history()->redo();
  EXPECT_TRUE(same_samples(doc().preview(), later));

  controller.history()->undo();
  edit("Packing", packed(21), true);
  EXPECT_EQ(steps(), 1);
  edit("Packing", packed(20), true);
  EXPECT_EQ(steps(), 0);
  EXPECT_TRUE(same_samples(doc().preview(), first));
}

// An edit made while a run is in flight supersedes it: the picture ends with the last value.
TEST_F(Controller, AnEditDuringARunSupersedesIt) {
  change([](_document_settings& s) { s.output_size = size_a5; });
  const _document_settings start = settings();
  load(sample("camera.pgm"));
  QSignalSpy started(&controller, &_controller::work_started);
  edit("Randomness", [](_document_settings& s) { s.stipple.displacement = 0.2f; });
  wait_for([&] { return started.count() > 0; });
  edit("Randomness", [](_document_settings& s) { s.stipple.displacement = 0.4f; });
  wait_idle();
  EXPECT_EQ(started.count(), 2);
  const _image expected = made_at_once(
      start, sample("camera.pgm"), [](_document_settings& s) { s.stipple.displacement = 0.4f; });
  EXPECT_TRUE(same_samples(doc().preview(), expected));
}

// A cancelled run leaves the picture on screen, and the settings go back to the ones it shows.
TEST_F(Controller, CancelGoesBackToThePictureOnScreen) {
  load(sample("camera.pgm"));
  const _document_settings before = settings();
  const _image shown = doc().preview();
  QSignalSpy started(&controller, &_controller::work_started);
  QSignalSpy finished(&controller, &_controller::work_finished);
  edit("Output Size", [](_document_settings& s) { s.output_size = size_a4; });
  EXPECT_GT(controller.document().planned_preview().width, shown.width);
  wait_for([&] { return started.count() > 0; });
  controller.cancel_work();
  wait_idle();
  ASSERT_EQ(finished.count(), 1);
  EXPECT_TRUE(finished.at(0).at(0).toBool());
  EXPECT_EQ(settings(), before);
  EXPECT_TRUE(same_samples(doc().preview(), shown));
}

// Each edit is a step named after its control; undoing all of them brings back the settings and
// the very same picture, a typed width included, and redoing them the later ones. An edit that
// changes nothing, such as a width that gives no picture, is no step.
TEST_F(Controller, EachEditIsAStepUndoneToTheSamePicture) {
  load(sample("coffee_gray.pgm"));  // A10: 438 wide
  const _document_settings start = settings();
  const _image first = doc().preview();
  const std::pair<const char*, std::function<void(_document_settings&)>> edits[] = {
      {"Randomness", [](_document_settings& s) { s.stipple.displacement = 0.5f; }},
      {"Merging", [](_document_settings& s) { s.stipple.merging_function = merging_minimum; }},
      {"High Density Max", [](_document_settings& s) { s.stipple.high_density_max = 6; }},
      {"Colours", [](_document_settings& s) { s.device = device_black_white; }},
      {"Tone Matching", [](_document_settings& s) { s.tone_match.matching = tone_matching_grey; }},
      {"Output Size", [](_document_settings& s) { s.output_size = size_a9; }},
      {"Output Size", [](_document_settings& s) { s.output_size = size_custom; }},
      {"Width", [](_document_settings& s) { s.width = 500.0f; }},
  };
  int count = 0;
  for (const auto& [step, change] : edits) {
    edit(step, change);
    EXPECT_EQ(steps(), ++count) << step;
    EXPECT_EQ(controller.history()->undoText(), step);
  }
  edit("Width", [](_document_settings& s) { s.width = std::nanf(""); });
  EXPECT_EQ(steps(), count);
  const _document_settings end = settings();
  EXPECT_EQ(doc().preview().width, 500u);
  EXPECT_TRUE(end.stipple.black_white);

  controller.history()->undo();
  EXPECT_EQ(doc().preview().width, 620u);
  while (controller.history()->canUndo()) controller.history()->undo();
  EXPECT_EQ(settings(), start);
  EXPECT_TRUE(same_samples(doc().preview(), first));
  while (controller.history()->canRedo()) controller.history()->redo();
  EXPECT_EQ(settings(), end);
  EXPECT_EQ(doc().preview().width, 500u);
}

// An entry of the list shows its picture, a grey one through the tone as it is saved; a new
// photograph shows the stippling again and keeps the tone and the ink.
TEST_F(Controller, ThePicturesOfTheImageList) {
  load(60, 40);
  edit("Colours", [](_document_settings& s) { s.device = device_color_tones; });
  edit("Tone", [](_document_settings& s) { s.tone = 2; });
  controller.show_image(list_borders);
  EXPECT_EQ(position, list_borders);
  EXPECT_TRUE(same_texels(picture, doc().picture(doc().borders(), true)));
  EXPECT_FALSE(same_texels(picture, as_shown(doc().borders())));
  edit("Ink", [](_document_settings& s) { s.ink = _pixel(0, 0, 255, 255); });
  controller.show_image(list_color_original);
  EXPECT_TRUE(same_texels(picture, doc().colour_field()));
  EXPECT_EQ(picture.get(0, 0), _pixel(0, 0, 255, 255));
  EXPECT_EQ(controller.grey_image(), list_borders);  // the last grey image

  load(50, 30);
  EXPECT_EQ(position, list_stippling);
  EXPECT_TRUE(same_texels(picture, doc().picture(doc().preview(), true)));
  EXPECT_EQ(settings().tone, 2);
  EXPECT_EQ(settings().ink, _pixel(0, 0, 255, 255));
  EXPECT_EQ(doc().colour_field().get(0, 0), _pixel(0, 0, 255, 255));
}

// A size over the display's limit falls back with a message (the document's tests check the
// sizes, the window's a photograph wider than the limit).
TEST_F(Controller, TheTextureLimit) {
  load(100, 80, size_custom);
  controller.set_texture_limit(1000);
  edit("Width", [](_document_settings& s) { s.width = 1001.0f; });
  EXPECT_EQ(doc().preview().width, 300u);
  EXPECT_EQ(settings().width, 300.0f);
  EXPECT_EQ(messages, std::vector<QString>{OVER_LIMIT});
}

// Without its dot sheets or its first tone the program cannot work; a later tone that cannot be
// read is only named. Each message names the files.
TEST(DataFiles, MissingFilesAreNamed) {
  QTemporaryDir folder;
  ASSERT_TRUE(QDir(folder.path()).mkdir("tones"));
  const QDir tones(STIPPON_DATA_DIR "/tones");
  for (const QString& name : tones.entryList({"*.png"})) {
    if (name == "sepia_02.png") continue;
    ASSERT_TRUE(QFile::copy(tones.filePath(name), folder.filePath("tones/" + name)));
  }
  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder.path());
  QStringList messages;
  _controller controller;
  QObject::connect(
      &controller, &_controller::message,
      [&](const QString& title, const QString& text) { messages << title + ": " + text; });
  EXPECT_FALSE(controller.read_dots(STIPPON_TEST_DATA_DIR "/pngsuite"));  // no dots/ there
  EXPECT_FALSE(controller.read_tones(STIPPON_TEST_DATA_DIR "/pngsuite"));
  EXPECT_TRUE(controller.read_tones("."));
  EXPECT_EQ(controller.document().tone_ramp(10).width, 0u);
  EXPECT_GT(controller.document().tone_ramp(11).width, 0u);
  QDir::setCurrent(previous);
  ASSERT_EQ(messages.size(), 3);
  EXPECT_TRUE(QRegularExpression("^Missing data files: Cannot read file .*/pngsuite/dots:\nthe "
                                 "fifteen dot sheets dots_4_1200.pgm to dots_8_300.pgm must all "
                                 "be there, as PGM pictures Stippon can read.$")
                  .match(messages[0])
                  .hasMatch())
      << messages[0].toStdString();
  EXPECT_TRUE(messages[1].endsWith("/pngsuite/tones/grayscale_01.png:\nno such file."));
  EXPECT_EQ(messages[2], "Missing data files: Cannot read file " +
                             QDir(folder.path()).canonicalPath() +
                             "/tones/sepia_02.png:\nnot PNG pictures Stippon can read; their "
                             "tones are not available.");
}

}  // namespace
}  // namespace stippon::testing
