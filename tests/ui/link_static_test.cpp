#include "ui/CLinkStatic.h"

#include "FakeDesktopShell.h"
#include "support/QtTestApplication.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Counts the paints a widget receives.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A link whose error box is recorded instead of shown.
class RecordingLink final : public CLinkStatic {
public:
    QList<int> errors;
    void ShowOpenError(int result) override { errors << result; }
};

class LinkTest : public ::testing::Test {
protected:
    LinkTest()
    {
        m_window.resize(400, 200);
        m_label = new QLabel(&m_window);
        m_label->setGeometry(20, 30, 300, 20);
        m_link.SetShell(m_shell);
    }

    void ShowAndAttach(const QString& caption)
    {
        m_label->setText(caption);
        m_link.Attach(*m_label);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_label->installEventFilter(&m_counter);
    }

    void Move(const QPoint& position)
    {
        QMouseEvent move(QEvent::MouseMove, position, m_label->mapToGlobal(position), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_label, &move);
    }

    void Click()
    {
        QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(2, 2));
        QCoreApplication::processEvents();
    }

    QColor Drawn() const
    {
        return m_label->palette().color(QPalette::Active, QPalette::WindowText);
    }

    QWidget m_window;
    QLabel* m_label;
    FakeDesktopShell m_shell;
    RecordingLink m_link;
    PaintCounter m_counter;
};

} // namespace

TEST_F(LinkTest, EmptyCaptionShowsTheTargetSetBeforeAttaching)
{
    m_link.SetTarget("https://www.orrindale.example/", false);
    EXPECT_FALSE(m_link.IsAttached());
    ShowAndAttach("");
    EXPECT_EQ(m_label->text(), "https://www.orrindale.example/");
    EXPECT_EQ(m_link.Target(), "https://www.orrindale.example/");
    EXPECT_EQ(m_label->toolTip(), "https://www.orrindale.example/");
    // The underline argument had no effect before attaching.
    EXPECT_TRUE(m_label->font().underline());
}

TEST_F(LinkTest, EmptyTargetTakesTheCaptionUntilSetTargetReplacesIt)
{
    ShowAndAttach("Write to us");
    EXPECT_EQ(m_link.Target(), "Write to us");
    EXPECT_EQ(m_label->toolTip(), "Write to us");

    m_link.SetTarget("mailto:support@orrindale.example", false);
    EXPECT_EQ(m_label->text(), "Write to us");
    EXPECT_EQ(m_label->toolTip(), "mailto:support@orrindale.example");
    EXPECT_FALSE(m_label->font().underline());
    m_link.SetUnderlined(true);
    EXPECT_TRUE(m_label->font().underline());
}

TEST_F(LinkTest, AttachingFitsTheLabelToItsCaptionAndGivesTheHandPointer)
{
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ShowAndAttach("abc");
    const QRect fitted = m_label->geometry();
    EXPECT_LT(fitted.width(), 300);
    EXPECT_GE(fitted.width(), QFontMetrics(m_label->font()).horizontalAdvance("abc"));
    EXPECT_NEAR(fitted.center().x(), QRect(20, 30, 300, 20).center().x(), 1);
    EXPECT_EQ(fitted.top(), 30);
    EXPECT_EQ(fitted.height(), qCeil(QFontMetricsF(m_label->font()).height()));
    EXPECT_TRUE(m_link.HasHandCursor());
    EXPECT_EQ(m_label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Drawn(), CLinkStatic::kLinkColour);
}

TEST_F(LinkTest, HoverBeatsVisitedAndEndsWhenThePointerMovesOut)
{
    ShowAndAttach("link");
    m_link.MarkVisited(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour);

    const int before = m_counter.paints;
    Move(QPoint(1, 1));
    EXPECT_TRUE(m_link.IsHovering());
    EXPECT_EQ(m_link.TextColour(), m_link.HoverColour());
    EXPECT_EQ(Drawn(), m_link.HoverColour());
    EXPECT_GT(m_counter.paints, before); // redrawn at once

    Move(QPoint(-5, 1));
    EXPECT_FALSE(m_link.IsHovering());
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour);

    Move(QPoint(1, 1));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_label, &leave);
    EXPECT_FALSE(m_link.IsHovering());
}

TEST_F(LinkTest, SuccessfulOpenRepaintsInTheVisitedColour)
{
    ShowAndAttach("link");
    m_link.SetTarget("https://www.orrindale.example/vexmoor");
    QCoreApplication::processEvents();
    const int before = m_counter.paints;
    Click();
    EXPECT_EQ(m_shell.opened, QStringList{"https://www.orrindale.example/vexmoor"});
    EXPECT_TRUE(m_link.IsVisited());
    EXPECT_TRUE(m_link.errors.isEmpty());
    EXPECT_GT(m_counter.paints, before);
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour);
}

TEST_F(LinkTest, FailedOpenClearsVisitedWithoutRepainting)
{
    ShowAndAttach("link");
    Click();
    ASSERT_TRUE(m_link.IsVisited());
    QCoreApplication::processEvents();

    m_shell.shellResult = 32;
    const int before = m_counter.paints;
    Click();
    EXPECT_FALSE(m_link.IsVisited());
    EXPECT_EQ(m_link.errors, QList<int>{32});
    EXPECT_EQ(m_counter.paints, before);
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour); // still shown as visited
    EXPECT_EQ(m_link.TextColour(), CLinkStatic::kLinkColour);

    // The next paint, whatever causes it, shows the link colour.
    m_label->repaint();
    EXPECT_EQ(Drawn(), CLinkStatic::kLinkColour);
}

TEST_F(LinkTest, FailedFallbackReportsTheStartResult)
{
    ShowAndAttach("link");
    m_shell.shellResult = ui::kNoAssociation;
    m_shell.webPageCommand = "web \"%1\"";
    m_shell.startResult = ui::kFileNotFound;
    Click();
    EXPECT_EQ(m_shell.started, QStringList{"web  link"});
    EXPECT_EQ(m_link.errors, QList<int>{ui::kFileNotFound});
    EXPECT_FALSE(m_link.IsVisited());
}

TEST(LinkErrorBox, ShowsTheReasonCaptionedWithTheApplicationTitle)
{
    QCoreApplication::setApplicationName("Vexmoor");
    QWidget window;
    auto* label = new QLabel("link", &window);
    CLinkStatic link;
    link.Attach(*label);
    window.show();

    QString title;
    QString text;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    closer.start(10);
    link.ShowOpenError(-7);
    EXPECT_EQ(title, "Vexmoor");
    EXPECT_EQ(text, "Unable to open hyperlink:\n\nUnknown Error (-7) occurred.");
}
