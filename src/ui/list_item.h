#pragma once

#include <QListWidgetItem>

#include "image/image.h"
#include "image/texture.h"

namespace stippon {

// An entry of the images list: its position in the list and the computed image it shows.
// Exactly one of image and texture is set; neither is owned (they are the controller's members).
class _list_item : public QListWidgetItem {
 public:
  int index = 0;
  _image* image = nullptr;
  _texture* texture = nullptr;

  _list_item(int index, _image* image);
  _list_item(int index, _texture* texture);
  ~_list_item() override;
};

}  // namespace stippon
