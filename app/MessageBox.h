#pragma once

#include <QMessageBox>

class QWidget;

namespace vexmoor::app {

// A message box captioned with the application name "Vexmoor", as every
// message of the program is. Returns the button that closed it.
QMessageBox::StandardButton
vexmoorMessageBox(QWidget* parent, const QString& text,
                  QMessageBox::Icon icon = QMessageBox::Warning,
                  QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

} // namespace vexmoor::app
