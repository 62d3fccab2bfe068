#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace vexmoor::ui {

// The find bar: the text to find, Match case and Wrap around, Next and
// Previous. It finds nothing itself: it asks, and whoever shows it searches.
// Escape closes it.
class FindBar final : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    bool matchCase() const;
    bool wrap() const;
    QLineEdit* textEdit() const { return text_; }
    // Puts the focus in the text with the text selected, ready for typing.
    void focusText();
    // "Not found" after a search that found nothing, nothing otherwise.
    void showFound(bool found);

signals:
    void findRequested(bool backward);
    // The text or Match case changed: the highlighting follows.
    void criteriaChanged();
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* text_;
    QCheckBox* matchCase_;
    QCheckBox* wrap_;
};

} // namespace vexmoor::ui
