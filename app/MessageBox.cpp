#include "MessageBox.h"

#include "res/CommandIds.h"
#include "res/StringTable.h"

namespace vexmoor::app {

QMessageBox::StandardButton vexmoorMessageBox(QWidget* parent, const QString& text,
                                              QMessageBox::Icon icon,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, res::loadString(res::AFX_IDS_APP_TITLE), text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    // Application modal: the whole program waits for the answer, but timer
    // ticks still arrive, so tracing goes on while the box is open.
    box.setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace vexmoor::app
