#include "Images.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must not be used inside a namespace.
static void InitVexmoorImages()
{
    Q_INIT_RESOURCE(vexmoor);
}

namespace res {
void InitImages()
{
    InitVexmoorImages();
}
} // namespace res
