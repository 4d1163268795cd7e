#pragma once

#include <QListWidgetItem>

namespace stippon {

// An entry of the images list: its position, which names the document's image it shows.
class _list_item : public QListWidgetItem {
 public:
  int index = 0;

  explicit _list_item(int index);
  ~_list_item() override;
};

}  // namespace stippon
