#pragma once

// The images of vexmoor.qrc live in this static library; a program calls this
// once before it uses them, so that the linker keeps them.
namespace vexmoor::res {
void initImages();
}
