#pragma once

namespace vexmoor::app {

enum class LockKey { Caps, Num, Scroll };

// Whether the key's lock is on. Known on X11 (through Xkb); elsewhere, and
// when the state cannot be read, it reads as off, so the pane stays dimmed.
bool keyLockState(LockKey key);

} // namespace vexmoor::app
