// The controller as the window drives it, without a widget: data files from the data folder,
// edits as whole settings values, and a record of what it says and shows.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <vector>

#include "controller/controller.h"
#include "document/test_pictures.h"
#include "image/scratch.h"

namespace stippon::testing {

class ControllerFixture : public ::testing::Test {
 protected:
  scratch_dir scratch;
  _controller controller;
  std::vector<QString> messages;  // "title: text"
  _texture picture;               // as last shown
  int position = -1;

  void SetUp() override {
    QObject::connect(&controller, &_controller::message,
                     [this](const QString& title, const QString& text) {
                       messages.push_back(title + ": " + text);
                     });
    QObject::connect(&controller, &_controller::picture_ready,
                     [this](const _texture& shown, int entry) {
                       picture = shown;
                       position = entry;
                     });
    ASSERT_TRUE(controller.read_dots(STIPPON_DATA_DIR));
    ASSERT_TRUE(controller.read_tones(STIPPON_DATA_DIR));
    change([](_document_settings& s) { s.output_size = size_a10; });  // keeps every run small
  }

  const _stipple_document& doc() {
    controller.finish_work();
    return controller.document();
  }
  const _document_settings& settings() const { return controller.settings(); }
  // Settings changed as the kept choices are, without an undo step.
  void change(const std::function<void(_document_settings&)>& change) {
    _document_settings changed = settings();
    change(changed);
    controller.restore(changed);
  }
  // A user's edit, as a panel sends it.
  void edit(const char* step, const std::function<void(_document_settings&)>& change,
            bool continuous = false) {
    _document_settings changed = settings();
    change(changed);
    controller.edit(changed, step, continuous);
  }
  int steps() { return controller.history()->count(); }

  // Reads a photograph (a sample, or a ramp of the given size) and lets its first run end.
  void load(const std::string& photo) {
    ASSERT_TRUE(controller.read(photo));
    controller.finish_work();
  }
  void load(unsigned width, unsigned height, _output_size size = size_optimal) {
    change([size](_document_settings& s) { s.output_size = size; });
    write_ramp(scratch / "ramp.pgm", width, height);
    load(scratch / "ramp.pgm");
  }
  static std::string sample(const char* name) {
    return std::string(STIPPON_DATA_DIR "/images/") + name;
  }

  // Lets the event loop run until the condition holds, as a user waits, or fails after a minute.
  static void wait_for(const std::function<bool()>& condition) {
    ASSERT_TRUE(QTest::qWaitFor(condition, 60000));
  }
  void wait_idle() {
    wait_for([this] { return !controller.working(); });
  }
};

}  // namespace stippon::testing
