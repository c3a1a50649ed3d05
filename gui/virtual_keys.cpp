#include "gui/virtual_keys.h"

#include <Qt>

namespace vexlo {

int virtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVirtualKeyReturn;
    case Qt::Key_Escape:
        return kVirtualKeyEscape;
    case Qt::Key_Space:
        return kVirtualKeySpace;
    default:
        return 0;
    }
}

} // namespace vexlo
