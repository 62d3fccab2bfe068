#pragma once

class QWidget;

// The About command: the about box with the product, version and release date.
void showAboutVexmoor(QWidget* parent);
