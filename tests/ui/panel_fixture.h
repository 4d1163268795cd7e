#pragma once

#include <gtest/gtest.h>

#include <QSignalBlocker>
#include <memory>

#include "controller/gl_widget.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/window.h"

namespace stippon::testing {

// The real main window with its controller and both panels. Loading keeps the output small (A10)
// so every recomputation stays fast, and never waits on the upscaling message.
struct panels {
  std::unique_ptr<_window> window = std::make_unique<_window>();
  _gl_widget* gl = window->gl_widget;
  _general_tab* general = gl->general_tab;
  _images_tab* images = gl->images_tab;

  void load(const char* file_name = "images/camera.pgm") {
    gl->upscale_warned = true;
    gl->output_size = size_a10;
    {
      const QSignalBlocker quiet(general->size_combo);
      general->size_combo->setCurrentIndex(size_a10);
    }
    ASSERT_TRUE(gl->read_image(file_name));
    ASSERT_TRUE(gl->image_loaded);
    window->tab_widget->setEnabled(true);
  }
};

}  // namespace stippon::testing
