#pragma once

class QWidget;

namespace vexmoor::app {

// The About command: the about box with the product, version and release date.
void showAboutVexmoor(QWidget* parent);

} // namespace vexmoor::app
