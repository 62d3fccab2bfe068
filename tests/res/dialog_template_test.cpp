#include "res/DialogTemplate.h"
#include "res/WindowStyles.h"

#include "support/QtTestApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QSignalSpy>
#include <QSlider>

#include <gtest/gtest.h>

#include <array>

namespace vexmoor::res {

using namespace res::style;

TEST(dialogUnitsToPixels, ScalesByQuarterWidthAndEighthHeightTruncating)
{
    EXPECT_EQ(dialogUnitsToPixels(10, 20, 30, 40, QSize(6, 13)), QRect(15, 32, 45, 65));
    EXPECT_EQ(dialogUnitsToPixels(0, 0, 236, 182, QSize(6, 13)), QRect(0, 0, 354, 295));
    EXPECT_EQ(dialogUnitsToPixels(1, 1, 3, 7, QSize(5, 10)), QRect(1, 1, 3, 8));
    EXPECT_EQ(dialogUnitsToPixels(8, 16, 4, 8, QSize(8, 16)), QRect(16, 32, 8, 16));
}

namespace {

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;

const std::array<ControlTemplate, 11> kControls{{
    {10, ControlKind::Label, "&Name:", 5, 5, 40, 8, kChild | SS_RIGHT},
    {11, ControlKind::Edit, "", 50, 5, 60, 12, kChild | WS_TABSTOP | ES_AUTOHSCROLL},
    {12, ControlKind::Edit, "", 50, 20, 60, 12, kChild | WS_TABSTOP | ES_PASSWORD},
    {13, ControlKind::ComboBox, "", 50, 35, 60, 50, kChild | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT},
    {14, ControlKind::Label, "boxed", 5, 50, 40, 20, kChild | SS_CENTER | SS_SUNKEN},
    {15, ControlKind::CheckBox, "&Check", 5, 70, 40, 10, kChild | WS_TABSTOP | BS_AUTOCHECKBOX},
    {16, ControlKind::Slider, "", 50, 70, 60, 15, kChild | WS_TABSTOP | TBS_AUTOTICKS | TBS_TOP},
    {17, ControlKind::Edit, "off", 5, 85, 40, 12, kChild | WS_DISABLED},
    {1, ControlKind::PushButton, "OK", 120, 5, 40, 14, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {2, ControlKind::PushButton, "Cancel", 120, 25, 40, 14, kChild | WS_TABSTOP},
    {-1, ControlKind::GroupBox, "Frame", 2, 2, 150, 90, kChild | BS_GROUPBOX},
}};

const DialogTemplate kTemplate{900,
                               "Testing",
                               170,
                               100,
                               "MS Sans Serif",
                               8,
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                               kControls};

class BuiltDialog : public ::testing::Test {
protected:
    void SetUp() override { buildDialog(dialog_, kTemplate); }
    QRect Place(const ControlTemplate& control) const
    {
        return dialogUnitsToPixels(control.x, control.y, control.width, control.height,
                                   averageCharSize(dialog_));
    }
    QDialog dialog_;
};

} // namespace

TEST_F(BuiltDialog, MakesEveryControlByIdWithItsKindAndPlace)
{
    EXPECT_EQ(dialog_.windowTitle(), "Testing");
    EXPECT_EQ(dialog_.font().pointSize(), 8);
    EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());
    EXPECT_EQ(dialog_.minimumSize(),
              dialogUnitsToPixels(0, 0, 170, 100, averageCharSize(dialog_)).size());

    EXPECT_NE(findControl<QLabel>(dialog_, 10), nullptr);
    EXPECT_NE(findControl<QLineEdit>(dialog_, 11), nullptr);
    EXPECT_NE(findControl<QComboBox>(dialog_, 13), nullptr);
    EXPECT_NE(findControl<QCheckBox>(dialog_, 15), nullptr);
    EXPECT_NE(findControl<QSlider>(dialog_, 16), nullptr);
    EXPECT_NE(findControl<QPushButton>(dialog_, 1), nullptr);
    EXPECT_EQ(findControl<QLineEdit>(dialog_, 10), nullptr); // wrong kind
    EXPECT_EQ(findControl(dialog_, 999), nullptr);
    EXPECT_EQ(findControl(dialog_, -1), nullptr);
    EXPECT_EQ(dialog_.findChildren<QGroupBox*>().size(), 1);

    for (const ControlTemplate& control : kControls) {
        if (control.id < 0)
            continue;
        SCOPED_TRACE(control.id);
        const QRect geometry = findControl(dialog_, control.id)->geometry();
        if (control.kind == ControlKind::ComboBox) {
            // The template's height includes the open list; the box is one line.
            EXPECT_EQ(geometry.topLeft(), Place(control).topLeft());
            EXPECT_EQ(geometry.width(), Place(control).width());
            EXPECT_LT(geometry.height(), Place(control).height());
        } else {
            EXPECT_EQ(geometry, Place(control));
        }
    }
    // The controls come in template order.
    QStringList names;
    for (const QWidget* child : dialog_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->objectName().isEmpty())
            names << child->objectName();
    }
    EXPECT_EQ(names, QStringList({"10", "11", "12", "13", "14", "15", "16", "17", "1", "2"}));
}

TEST_F(BuiltDialog, MapsStylesOntoWidgetBehaviour)
{
    auto* right = findControl<QLabel>(dialog_, 10);
    EXPECT_TRUE(right->alignment() & Qt::AlignRight);
    EXPECT_EQ(right->buddy(), findControl(dialog_, 11));
    auto* boxed = findControl<QLabel>(dialog_, 14);
    EXPECT_TRUE(boxed->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(boxed->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(right->frameShape(), QFrame::NoFrame);

    EXPECT_EQ(findControl<QLineEdit>(dialog_, 11)->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(findControl<QLineEdit>(dialog_, 12)->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(findControl(dialog_, 17)->isEnabled());
    EXPECT_TRUE(findControl<QComboBox>(dialog_, 13)->isEditable());
    EXPECT_EQ(findControl<QSlider>(dialog_, 16)->orientation(), Qt::Horizontal);
    EXPECT_EQ(findControl<QSlider>(dialog_, 16)->tickPosition(), QSlider::TicksAbove);
    EXPECT_TRUE(findControl<QPushButton>(dialog_, 1)->isDefault());
    EXPECT_FALSE(findControl<QPushButton>(dialog_, 2)->isDefault());
}

TEST_F(BuiltDialog, SortedComboPutsAddedItemsInOrder)
{
    auto* combo = findControl<QComboBox>(dialog_, 13);
    combo->addItem("orcl");
    combo->addItem("Beta");
    combo->addItems({"zed", "alpha"});
    combo->insertItem(0, "delta");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    EXPECT_EQ(items, QStringList({"alpha", "Beta", "delta", "orcl", "zed"}));
}

TEST_F(BuiltDialog, TabOrderFollowsTheTemplateOverTabStops)
{
    const QList<int> expected{11, 12, 13, 15, 16, 1, 2};
    QWidget* widget = findControl(dialog_, 11);
    for (int i = 1; i < expected.size(); ++i) {
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
        EXPECT_EQ(widget->objectName(), QString::number(expected[i]));
    }
    // A control without a tab stop is skipped by Tab.
    EXPECT_FALSE(findControl(dialog_, 17)->focusPolicy() & Qt::TabFocus);
}

TEST_F(BuiltDialog, OkAcceptsAndCancelRejects)
{
    dialog_.show();
    findControl<QPushButton>(dialog_, 1)->click();
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    dialog_.show();
    findControl<QPushButton>(dialog_, 2)->click();
    EXPECT_EQ(dialog_.result(), QDialog::Rejected);
}

TEST_F(BuiltDialog, GroupBoxStaysBeneathTheControlsItFrames)
{
    dialog_.show();
    const QRect label = findControl(dialog_, 10)->geometry();
    EXPECT_EQ(dialog_.childAt(label.center()), findControl(dialog_, 10));
}

} // namespace vexmoor::res
