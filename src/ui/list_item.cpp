#include "ui/list_item.h"

namespace stippon {

_list_item::_list_item(int index, _image* image)
    : QListWidgetItem(nullptr, QListWidgetItem::Type), index(index), image(image) {}

_list_item::_list_item(int index, _texture* texture)
    : QListWidgetItem(nullptr, QListWidgetItem::Type), index(index), texture(texture) {}

_list_item::~_list_item() = default;

}  // namespace stippon
