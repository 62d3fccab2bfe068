#pragma once

#include <QColor>
#include <QCursor>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <optional>

class QPoint;

namespace ui {
class DesktopShell;
}

// A static text of a dialog turned into a link: its caption in link colours
// and an underlined font, a hand pointer over it, a tooltip with the target,
// and a click that opens the target (a web address or a "mailto:" address).
// It never makes a widget of its own: it is attached to a label the dialog
// already holds and handles that label's events from then on.
class CLinkStatic : public QObject {
    Q_OBJECT
public:
    static constexpr QColor kLinkColour{0, 0, 238};
    static constexpr QColor kVisitedColour{85, 26, 139};
    static constexpr int kShowNormal = 5;

    // The hover colour is the desktop's highlight colour at this moment.
    explicit CLinkStatic(QObject* parent = nullptr);
    ~CLinkStatic() override;

    CLinkStatic(const CLinkStatic&) = delete;
    CLinkStatic& operator=(const CLinkStatic&) = delete;

    // The attach steps: an empty target takes the caption, an empty caption
    // the target; then the link font, fitting to the caption, the hand
    // cursor and the tooltip.
    void Attach(QLabel& label);
    bool IsAttached() const { return !m_label.isNull(); }
    QLabel* Label() const { return m_label.data(); }

    // Before attaching, only the target is stored.
    void SetTarget(const QString& target, bool underline = true);
    void SetUnderlined(bool underline);
    void MarkVisited(bool visited);
    void FitToText();
    void LoadHandCursor();

    // Result above 32 means the target was opened.
    int OpenTarget(const QString& target, int show);
    virtual void ShowOpenError(int result);

    // The desktop the link opens its target with; the system's unless a
    // test puts in its own. The shell must outlive the link.
    void SetShell(ui::DesktopShell& shell) { m_shell = &shell; }

    const QString& Target() const { return m_target; }
    bool IsVisited() const { return m_visited; }
    bool IsHovering() const { return m_hovering; }
    bool IsUnderlined() const { return m_underline; }
    bool HasHandCursor() const { return m_handCursor.has_value(); }
    QColor HoverColour() const { return m_hoverColour; }
    // The colour the caption is drawn in now: hover beats visited beats link.
    QColor TextColour() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnClicked();
    void OnMouseMove(const QPoint& position);
    void SetHovering(bool hovering);
    void ApplyTextColour();
    void ApplyLinkFont();
    std::uint32_t AlignmentStyle() const;

    QColor m_linkColour = kLinkColour;
    QColor m_visitedColour = kVisitedColour;
    QColor m_hoverColour;
    bool m_hovering = false;
    bool m_visited = false;
    bool m_underline = true;
    bool m_fitToText = true;
    QString m_target;
    QPointer<QLabel> m_label;
    std::optional<QCursor> m_handCursor;
    ui::DesktopShell* m_shell;
};
