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

namespace vexmoor::ui {

class DesktopShell;

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
    bool IsAttached() const { return !label_.isNull(); }
    QLabel* Label() const { return label_.data(); }

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
    void setShell(ui::DesktopShell& shell) { shell_ = &shell; }

    const QString& Target() const { return target_; }
    bool isVisited() const { return visited_; }
    bool isHovering() const { return hovering_; }
    bool isUnderlined() const { return underline_; }
    bool hasHandCursor() const { return handCursor_.has_value(); }
    QColor hoverColour() const { return hoverColour_; }
    // The colour the caption is drawn in now: hover beats visited beats link.
    QColor textColour() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnClicked();
    void OnMouseMove(const QPoint& position);
    void setHovering(bool hovering);
    void applyTextColour();
    void applyLinkFont();
    std::uint32_t alignmentStyle() const;

    QColor linkColour_ = kLinkColour;
    QColor visitedColour_ = kVisitedColour;
    QColor hoverColour_;
    bool hovering_ = false;
    bool visited_ = false;
    bool underline_ = true;
    bool fitToText_ = true;
    QString target_;
    QPointer<QLabel> label_;
    std::optional<QCursor> handCursor_;
    ui::DesktopShell* shell_;
};

} // namespace vexmoor::ui
