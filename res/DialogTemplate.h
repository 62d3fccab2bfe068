#pragma once

#include <cstdint>
#include <span>

class QDialog;
class QWidget;
class QRect;
class QSize;

// Dialogs described as data, as a resource script describes them: each
// control with its id, kind, caption, styles and place in dialog units. The
// builder makes the widgets in template order (which is the tab order), gives
// each its id as objectName, and places it by the dialog font's average
// character size, so the layout holds at any font size.
namespace vexmoor::res {

enum class ControlKind {
    Label,      // static text; SS_CENTER / SS_RIGHT / SS_SUNKEN apply
    Bitmap,     // static picture; caption names the image resource
    Edit,       // single-line edit; ES_PASSWORD masks it
    ComboBox,   // CBS_DROPDOWN editable; CBS_SORT sorts the list
    PushButton, // BS_DEFPUSHBUTTON makes it the default button
    CheckBox,   // BS_AUTOCHECKBOX
    GroupBox,
    Slider, // horizontal trackbar
};

struct ControlTemplate {
    int id; // -1 for controls nobody addresses
    ControlKind kind;
    const char* caption;
    int x, y, width, height; // dialog units
    std::uint32_t style = 0;
    std::uint32_t extendedStyle = 0;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int width, height; // dialog units
    const char* fontName;
    int pointSize;
    std::uint32_t style;
    std::span<const ControlTemplate> controls;
};

// Dialog units to pixels: x * cx / 4, y * cy / 8, where cx and cy are the
// average character width and the height of the dialog's font.
QRect dialogUnitsToPixels(int x, int y, int width, int height, const QSize& averageCharSize);

// The average character size of a widget's font, as dialog units use it.
QSize averageCharSize(const QWidget& widget);

// Builds the template's controls into `dialog`, sets its caption and size.
void buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The control with the given id, or nullptr.
QWidget* findControl(const QWidget& dialog, int id);
template <class Widget>
Widget* findControl(const QWidget& dialog, int id)
{
    return qobject_cast<Widget*>(findControl(dialog, id));
}

// Ends the program with a message naming the dialog class and the control:
// code and template disagree, which no user can mend. Never throws, so it is
// safe inside Qt's slots and event handlers.
[[noreturn]] void reportMissingControl(const QWidget& dialog, int id);

// The control with the given id, which the dialog's template must have.
template <class Widget>
Widget& requireControl(const QWidget& dialog, int id)
{
    Widget* widget = findControl<Widget>(dialog, id);
    if (widget == nullptr)
        reportMissingControl(dialog, id);
    return *widget;
}

} // namespace vexmoor::res
