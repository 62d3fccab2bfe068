#include "FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vexmoor::ui {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent), text_(new QLineEdit(this)),
      matchCase_(new QCheckBox(QStringLiteral("Match &case"), this)),
      wrap_(new QCheckBox(QStringLiteral("&Wrap around"), this))
{
    setObjectName(QStringLiteral("FindBar"));
    text_->setObjectName(QStringLiteral("FindText"));
    text_->setClearButtonEnabled(true);
    wrap_->setChecked(true);
    auto* label = new QLabel(QStringLiteral("Fi&nd:"), this);
    label->setBuddy(text_);
    auto* next = new QPushButton(QStringLiteral("&Next"), this);
    auto* previous = new QPushButton(QStringLiteral("&Previous"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* notFound = new QLabel(this);
    notFound->setObjectName(QStringLiteral("FindResult"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(label);
    layout->addWidget(text_, 1);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(matchCase_);
    layout->addWidget(wrap_);
    layout->addWidget(notFound);
    layout->addWidget(close);

    connect(text_, &QLineEdit::returnPressed, this, [this] { emit findRequested(false); });
    connect(next, &QPushButton::clicked, this, [this] { emit findRequested(false); });
    connect(previous, &QPushButton::clicked, this, [this] { emit findRequested(true); });
    connect(text_, &QLineEdit::textChanged, this, &FindBar::criteriaChanged);
    connect(matchCase_, &QCheckBox::toggled, this, &FindBar::criteriaChanged);
    connect(close, &QPushButton::clicked, this, &FindBar::closeRequested);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    // The text field leaves Escape to its parent.
    if (event->key() == Qt::Key_Escape) {
        emit closeRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString FindBar::text() const
{
    return text_->text();
}

void FindBar::setText(const QString& text)
{
    text_->setText(text);
}

bool FindBar::matchCase() const
{
    return matchCase_->isChecked();
}

bool FindBar::wrap() const
{
    return wrap_->isChecked();
}

void FindBar::focusText()
{
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void FindBar::showFound(bool found)
{
    if (auto* result = findChild<QLabel*>(QStringLiteral("FindResult")))
        result->setText(found ? QString() : QStringLiteral("Not found"));
}

} // namespace vexmoor::ui
