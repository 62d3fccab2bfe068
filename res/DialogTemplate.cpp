#include "res/DialogTemplate.h"

#include "res/WindowStyles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QSlider>
#include <QStandardItemModel>

#include <algorithm>
#include <vector>

namespace vexmoor::res {

namespace {

using namespace res::style;

bool has(std::uint32_t style, std::uint32_t bits)
{
    return (style & bits) == bits;
}

QString toQString(const char* utf8)
{
    return utf8 == nullptr ? QString() : QString::fromUtf8(utf8);
}

// Static text keeps to the top unless it asks to be centred vertically, as a
// static control does.
Qt::Alignment staticAlignment(std::uint32_t style)
{
    Qt::Alignment alignment = has(style, SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    if (has(style, SS_CENTER))
        alignment |= Qt::AlignHCenter;
    else if (has(style, SS_RIGHT))
        alignment |= Qt::AlignRight;
    else
        alignment |= Qt::AlignLeft;
    return alignment;
}

void applyFrame(QFrame& frame, const ControlTemplate& control)
{
    if (has(control.style, SS_SUNKEN)) {
        frame.setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame.setLineWidth(1);
    }
    if (has(control.extendedStyle, WS_EX_DLGMODALFRAME)) {
        frame.setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame.setLineWidth(2);
    }
}

QWidget* makeLabel(QDialog& dialog, const ControlTemplate& control)
{
    auto* label = new QLabel(toQString(control.caption), &dialog);
    label->setAlignment(staticAlignment(control.style));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    applyFrame(*label, control);
    return label;
}

// A picture control takes the size of its picture unless it centres it, as
// the static picture control does; its frame is added around the picture.
QWidget* makeBitmap(QDialog& dialog, const ControlTemplate& control, const QRect& place)
{
    auto* label = new QLabel(&dialog);
    applyFrame(*label, control);
    const QPixmap picture(toQString(control.caption));
    label->setPixmap(picture);
    if (has(control.style, SS_CENTERIMAGE) || picture.isNull()) {
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(place);
    } else {
        const int frame = 2 * label->frameWidth();
        label->setGeometry(
            QRect(place.topLeft(), picture.deviceIndependentSize().toSize() + QSize(frame, frame)));
    }
    return label;
}

QWidget* makeEdit(QDialog& dialog, const ControlTemplate& control)
{
    auto* edit = new QLineEdit(toQString(control.caption), &dialog);
    if (has(control.style, ES_PASSWORD))
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// The role that holds an item's case-folded text, the key a sorted list is
// ordered by, so that items added in any way land in their sorted place.
constexpr int kSortKeyRole = Qt::UserRole + 0x100;

void keepSorted(QComboBox& combo)
{
    auto* model = qobject_cast<QStandardItemModel*>(combo.model());
    if (model == nullptr)
        return;
    model->setSortRole(kSortKeyRole);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &combo,
                     [model](const QModelIndex& parent, int first, int last) {
                         for (int row = first; row <= last; ++row) {
                             const QModelIndex index = model->index(row, 0, parent);
                             model->setData(index,
                                            index.data(Qt::DisplayRole).toString().toCaseFolded(),
                                            kSortKeyRole);
                         }
                         model->sort(0, Qt::AscendingOrder);
                     });
    combo.setInsertPolicy(QComboBox::InsertAlphabetically);
}

QWidget* makeComboBox(QDialog& dialog, const ControlTemplate& control)
{
    auto* combo = new QComboBox(&dialog);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (has(control.style, CBS_SORT))
        keepSorted(*combo);
    return combo;
}

QWidget* makePushButton(QDialog& dialog, const ControlTemplate& control)
{
    auto* button = new QPushButton(toQString(control.caption), &dialog);
    button->setDefault(has(control.style, BS_DEFPUSHBUTTON));
    if (control.id == 1)
        QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
    else if (control.id == 2)
        QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::reject);
    return button;
}

QWidget* makeSlider(QDialog& dialog, const ControlTemplate& control)
{
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    if (has(control.style, TBS_AUTOTICKS)) {
        slider->setTickPosition(has(control.style, TBS_TOP) ? QSlider::TicksAbove
                                                            : QSlider::TicksBelow);
        slider->setTickInterval(1);
    }
    return slider;
}

QWidget* makeControl(QDialog& dialog, const ControlTemplate& control, const QRect& place)
{
    switch (control.kind) {
    case ControlKind::Label:
        return makeLabel(dialog, control);
    case ControlKind::Bitmap:
        return makeBitmap(dialog, control, place);
    case ControlKind::Edit:
        return makeEdit(dialog, control);
    case ControlKind::ComboBox:
        return makeComboBox(dialog, control);
    case ControlKind::PushButton:
        return makePushButton(dialog, control);
    case ControlKind::CheckBox:
        return new QCheckBox(toQString(control.caption), &dialog);
    case ControlKind::GroupBox:
        return new QGroupBox(toQString(control.caption), &dialog);
    case ControlKind::Slider:
        return makeSlider(dialog, control);
    }
    return new QWidget(&dialog);
}

// A control without a tab stop can still be clicked into, but Tab passes it by.
void applyWindowStyle(QWidget& widget, const ControlTemplate& control)
{
    if (has(control.style, WS_DISABLED))
        widget.setEnabled(false);
    if (!has(control.style, WS_VISIBLE))
        widget.setVisible(false);
    if (!has(control.style, WS_TABSTOP) && (widget.focusPolicy() & Qt::TabFocus) != 0)
        widget.setFocusPolicy(Qt::ClickFocus);
}

bool takesFocus(ControlKind kind)
{
    return kind != ControlKind::Label && kind != ControlKind::Bitmap
           && kind != ControlKind::GroupBox;
}

// A label's access key moves the focus to the next control that can take it,
// as a static text's mnemonic does.
void setBuddies(const DialogTemplate& dialogTemplate, const std::vector<QWidget*>& widgets)
{
    const auto& controls = dialogTemplate.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind != ControlKind::Label
            || QKeySequence::mnemonic(toQString(controls[i].caption)).isEmpty())
            continue;
        for (std::size_t next = i + 1; next < controls.size(); ++next) {
            if (takesFocus(controls[next].kind)) {
                qobject_cast<QLabel*>(widgets[i])->setBuddy(widgets[next]);
                break;
            }
        }
    }
}

void setTabOrder(const DialogTemplate& dialogTemplate, const std::vector<QWidget*>& widgets)
{
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        if (!has(dialogTemplate.controls[i].style, WS_TABSTOP))
            continue;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widgets[i]);
        previous = widgets[i];
    }
}

// The template's font when the system has it, else the desktop's own font
// at the template's size: the layout follows whichever font is used.
QFont dialogFont(const DialogTemplate& dialogTemplate)
{
    QFont font = QApplication::font();
    const QString family = toQString(dialogTemplate.fontName);
    if (!family.isEmpty() && QFontDatabase::hasFamily(family))
        font.setFamily(family);
    if (dialogTemplate.pointSize > 0)
        font.setPointSize(dialogTemplate.pointSize);
    return font;
}

} // namespace

QRect dialogUnitsToPixels(int x, int y, int width, int height, const QSize& averageCharSize)
{
    const int cx = averageCharSize.width();
    const int cy = averageCharSize.height();
    return QRect(x * cx / 4, y * cy / 8, width * cx / 4, height * cy / 8);
}

QSize averageCharSize(const QWidget& widget)
{
    // The mean width of the 52 letters, rounded, and the font's full height.
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(widget.font());
    const int width = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return QSize(width, metrics.height());
}

void buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate)
{
    dialog.setWindowTitle(toQString(dialogTemplate.caption));
    dialog.setFont(dialogFont(dialogTemplate));
    const QSize charSize = averageCharSize(dialog);

    std::vector<QWidget*> widgets;
    widgets.reserve(dialogTemplate.controls.size());
    for (const ControlTemplate& control : dialogTemplate.controls) {
        const QRect place =
            dialogUnitsToPixels(control.x, control.y, control.width, control.height, charSize);
        QWidget* widget = makeControl(dialog, control, place);
        if (control.id >= 0)
            widget->setObjectName(QString::number(control.id));
        if (control.kind == ControlKind::ComboBox) {
            // A drop-down's template height includes its open list; the closed
            // box is one line high.
            widget->setGeometry(place.x(), place.y(), place.width(),
                                std::min(place.height(), widget->sizeHint().height()));
        } else if (control.kind != ControlKind::Bitmap) {
            widget->setGeometry(place);
        }
        applyWindowStyle(*widget, control);
        widgets.push_back(widget);
    }
    // A group box only frames its neighbours: it stays beneath them so that
    // they keep their clicks.
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        if (dialogTemplate.controls[i].kind == ControlKind::GroupBox)
            widgets[i]->lower();
    }
    setBuddies(dialogTemplate, widgets);
    setTabOrder(dialogTemplate, widgets);

    dialog.setFixedSize(
        dialogUnitsToPixels(0, 0, dialogTemplate.width, dialogTemplate.height, charSize).size());
}

QWidget* findControl(const QWidget& dialog, int id)
{
    if (id < 0)
        return nullptr;
    return dialog.findChild<QWidget*>(QString::number(id));
}

void reportMissingControl(const QWidget& dialog, int id)
{
    qFatal("%s lacks control %d (or it has another class)", dialog.metaObject()->className(), id);
}

} // namespace vexmoor::res
