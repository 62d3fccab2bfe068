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

CLinkStatic::CLinkStatic(QObject* parent)
    : QObject(parent),
      m_hoverColour(QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight)),
      m_shell(&ui::SystemShell())
{
}

CLinkStatic::~CLinkStatic()
{
    if (m_label)
        m_label->removeEventFilter(this);
}

void CLinkStatic::Attach(QLabel& label)
{
    if (m_label)
        m_label->removeEventFilter(this);
    m_label = &label;
    // A link is one line: it is measured and fitted as one.
    label.setWordWrap(false);
    label.setTextFormat(Qt::PlainText);
    if (m_target.isEmpty())
        m_target = label.text();
    if (label.text().isEmpty())
        label.setText(m_target);
    ApplyLinkFont();
    FitToText();
    LoadHandCursor();
    label.setToolTip(m_target);
    label.setMouseTracking(true);
    label.installEventFilter(this);
    ApplyTextColour();
}

void CLinkStatic::SetTarget(const QString& target, bool underline)
{
    m_target = target;
    if (!m_label)
        return;
    SetUnderlined(underline);
    FitToText();
    m_label->setToolTip(m_target);
}

void CLinkStatic::SetUnderlined(bool underline)
{
    m_underline = underline;
    if (!m_label)
        return;
    ApplyLinkFont();
    m_label->update();
}

void CLinkStatic::MarkVisited(bool visited)
{
    m_visited = visited;
    if (!m_label)
        return;
    ApplyTextColour();
    m_label->update();
}

void CLinkStatic::FitToText()
{
    if (!m_label || !m_fitToText)
        return;
    const QSizeF extent = QFontMetricsF(m_label->font()).size(0, m_label->text());
    const QSize textSize(static_cast<int>(std::ceil(extent.width())),
                         static_cast<int>(std::ceil(extent.height())));
    m_label->setGeometry(ui::FitRectToText(m_label->geometry(), textSize, AlignmentStyle()));
}

void CLinkStatic::LoadHandCursor()
{
    if (m_handCursor)
        return;
    m_handCursor.emplace(Qt::PointingHandCursor);
    if (m_label)
        m_label->setCursor(*m_handCursor);
}

int CLinkStatic::OpenTarget(const QString& target, [[maybe_unused]] int show)
{
    return ui::OpenTarget(*m_shell, target);
}

void CLinkStatic::ShowOpenError(int result)
{
    QWidget* owner = m_label ? m_label->window() : nullptr;
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                    ui::OpenErrorMessage(result), QMessageBox::Ok, owner);
    box.exec();
}

QColor CLinkStatic::TextColour() const
{
    if (m_hovering)
        return m_hoverColour;
    return m_visited ? m_visitedColour : m_linkColour;
}

bool CLinkStatic::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_label)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        // The colour is chosen whenever the caption is painted.
        ApplyTextColour();
        break;
    case QEvent::MouseMove:
        OnMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        SetHovering(false);
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton
            && m_label->rect().contains(mouse->position().toPoint())) {
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
    const int result = OpenTarget(m_target, kShowNormal);
    if (result > 32) {
        MarkVisited(true);
        return;
    }
    // The flag follows the outcome; the caption keeps its colour until it
    // is next painted.
    m_visited = false;
    QApplication::beep();
    ShowOpenError(result);
}

// Qt reports the pointer leaving, so the link needs no mouse capture to see
// it go; a move reported outside the label (while a button holds the
// pointer) ends hovering as well.
void CLinkStatic::OnMouseMove(const QPoint& position)
{
    SetHovering(m_label->rect().contains(position));
}

void CLinkStatic::SetHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    ApplyTextColour();
    m_label->repaint();
}

void CLinkStatic::ApplyTextColour()
{
    QPalette palette = m_label->palette();
    const QColor colour = TextColour();
    if (palette.color(QPalette::Active, QPalette::WindowText) == colour
        && palette.color(QPalette::Inactive, QPalette::WindowText) == colour)
        return;
    palette.setColor(QPalette::Active, QPalette::WindowText, colour);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    m_label->setPalette(palette);
}

void CLinkStatic::ApplyLinkFont()
{
    QFont font = m_label->font();
    font.setUnderline(m_underline);
    m_label->setFont(font);
}

// The label's alignment read back as the static styles the fitting uses.
std::uint32_t CLinkStatic::AlignmentStyle() const
{
    using namespace res::style;
    const Qt::Alignment alignment = m_label->alignment();
    std::uint32_t style = 0;
    if (alignment & Qt::AlignHCenter)
        style |= SS_CENTER;
    else if (alignment & Qt::AlignRight)
        style |= SS_RIGHT;
    if (alignment & Qt::AlignVCenter)
        style |= SS_CENTERIMAGE;
    return style;
}
