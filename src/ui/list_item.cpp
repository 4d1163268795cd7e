#include "ui/list_item.h"

namespace stippon {

_list_item::_list_item(int index) : QListWidgetItem(nullptr, QListWidgetItem::Type), index(index) {}

_list_item::~_list_item() = default;

}  // namespace stippon
