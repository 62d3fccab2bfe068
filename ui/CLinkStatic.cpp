#include "ui/CLinkStatic.h"

#include "res/WindowStyles.h"
#include "ui/DesktopShell.h"
#include "ui/FitToTextRect.h"
#include "ui/OpenErrorReason.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>

#include <cmath>

namespace vexmoor::ui {

CLinkStatic::CLinkStatic(QObject* parent)
    : QObject(parent),
      hoverColour_(QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight)),
      shell_(&ui::systemShell())
{
}

CLinkStatic::~CLinkStatic()
{
    if (label_)
        label_->removeEventFilter(this);
}

void CLinkStatic::Attach(QLabel& label)
{
    if (label_)
        label_->removeEventFilter(this);
    label_ = &label;
    // A link is one line: it is measured and fitted as one.
    label.setWordWrap(false);
    label.setTextFormat(Qt::PlainText);
    if (target_.isEmpty())
        target_ = label.text();
    if (label.text().isEmpty())
        label.setText(target_);
    applyLinkFont();
    FitToText();
    LoadHandCursor();
    label.setToolTip(target_);
    label.setMouseTracking(true);
    label.installEventFilter(this);
    applyTextColour();
}

void CLinkStatic::SetTarget(const QString& target, bool underline)
{
    target_ = target;
    if (!label_)
        return;
    SetUnderlined(underline);
    FitToText();
    label_->setToolTip(target_);
}

void CLinkStatic::SetUnderlined(bool underline)
{
    underline_ = underline;
    if (!label_)
        return;
    applyLinkFont();
    label_->update();
}

void CLinkStatic::MarkVisited(bool visited)
{
    visited_ = visited;
    if (!label_)
        return;
    applyTextColour();
    label_->update();
}

void CLinkStatic::FitToText()
{
    if (!label_ || !fitToText_)
        return;
    const QSizeF extent = QFontMetricsF(label_->font()).size(0, label_->text());
    const QSize textSize(static_cast<int>(std::ceil(extent.width())),
                         static_cast<int>(std::ceil(extent.height())));
    label_->setGeometry(ui::fitRectToText(label_->geometry(), textSize, alignmentStyle()));
}

void CLinkStatic::LoadHandCursor()
{
    if (handCursor_)
        return;
    handCursor_.emplace(Qt::PointingHandCursor);
    if (label_)
        label_->setCursor(*handCursor_);
}

int CLinkStatic::OpenTarget(const QString& target, [[maybe_unused]] int show)
{
    return ui::OpenTarget(*shell_, target);
}

void CLinkStatic::ShowOpenError(int result)
{
    QWidget* owner = label_ ? label_->window() : nullptr;
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                    ui::openErrorMessage(result), QMessageBox::Ok, owner);
    box.exec();
}

QColor CLinkStatic::textColour() const
{
    if (hovering_)
        return hoverColour_;
    return visited_ ? visitedColour_ : linkColour_;
}

bool CLinkStatic::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != label_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        // The colour is chosen whenever the caption is painted.
        applyTextColour();
        break;
    case QEvent::MouseMove:
        OnMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        setHovering(false);
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton
            && label_->rect().contains(mouse->position().toPoint())) {
            OnClicked();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void CLinkStatic::OnClicked()
{
    const int result = OpenTarget(target_, kShowNormal);
    if (result > 32) {
        MarkVisited(true);
        return;
    }
    // The flag follows the outcome; the caption keeps its colour until it
    // is next painted.
    visited_ = false;
    QApplication::beep();
    ShowOpenError(result);
}

// Qt reports the pointer leaving, so the link needs no mouse capture to see
// it go; a move reported outside the label (while a button holds the
// pointer) ends hovering as well.
void CLinkStatic::OnMouseMove(const QPoint& position)
{
    setHovering(label_->rect().contains(position));
}

void CLinkStatic::setHovering(bool hovering)
{
    if (hovering_ == hovering)
        return;
    hovering_ = hovering;
    applyTextColour();
    label_->repaint();
}

void CLinkStatic::applyTextColour()
{
    QPalette palette = label_->palette();
    const QColor colour = textColour();
    if (palette.color(QPalette::Active, QPalette::WindowText) == colour
        && palette.color(QPalette::Inactive, QPalette::WindowText) == colour)
        return;
    palette.setColor(QPalette::Active, QPalette::WindowText, colour);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    label_->setPalette(palette);
}

void CLinkStatic::applyLinkFont()
{
    QFont font = label_->font();
    font.setUnderline(underline_);
    label_->setFont(font);
}

// The label's alignment read back as the static styles the fitting uses.
std::uint32_t CLinkStatic::alignmentStyle() const
{
    using namespace res::style;
    const Qt::Alignment alignment = label_->alignment();
    std::uint32_t style = 0;
    if (alignment & Qt::AlignHCenter)
        style |= SS_CENTER;
    else if (alignment & Qt::AlignRight)
        style |= SS_RIGHT;
    if (alignment & Qt::AlignVCenter)
        style |= SS_CENTERIMAGE;
    return style;
}

} // namespace vexmoor::ui
