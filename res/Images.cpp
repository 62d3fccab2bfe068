#include "Images.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must not be used inside a namespace.
static void initVexmoorImages()
{
    Q_INIT_RESOURCE(vexmoor);
}

namespace vexmoor::res {
void initImages()
{
    initVexmoorImages();
}
} // namespace vexmoor::res
