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

namespace vexmoor::ui {

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
        window_.resize(400, 200);
        label_ = new QLabel(&window_);
        label_->setGeometry(20, 30, 300, 20);
        link_.setShell(shell_);
    }

    void ShowAndAttach(const QString& caption)
    {
        label_->setText(caption);
        link_.Attach(*label_);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        label_->installEventFilter(&counter_);
    }

    void Move(const QPoint& position)
    {
        QMouseEvent move(QEvent::MouseMove, position, label_->mapToGlobal(position), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(label_, &move);
    }

    void Click()
    {
        QTest::mouseClick(label_, Qt::LeftButton, {}, QPoint(2, 2));
        QCoreApplication::processEvents();
    }

    QColor Drawn() const { return label_->palette().color(QPalette::Active, QPalette::WindowText); }

    QWidget window_;
    QLabel* label_;
    FakeDesktopShell shell_;
    RecordingLink link_;
    PaintCounter counter_;
};

} // namespace

TEST_F(LinkTest, EmptyCaptionShowsTheTargetSetBeforeAttaching)
{
    link_.SetTarget("https://www.orrindale.example/", false);
    EXPECT_FALSE(link_.IsAttached());
    ShowAndAttach("");
    EXPECT_EQ(label_->text(), "https://www.orrindale.example/");
    EXPECT_EQ(link_.Target(), "https://www.orrindale.example/");
    EXPECT_EQ(label_->toolTip(), "https://www.orrindale.example/");
    // The underline argument had no effect before attaching.
    EXPECT_TRUE(label_->font().underline());
}

TEST_F(LinkTest, EmptyTargetTakesTheCaptionUntilSetTargetReplacesIt)
{
    ShowAndAttach("Write to us");
    EXPECT_EQ(link_.Target(), "Write to us");
    EXPECT_EQ(label_->toolTip(), "Write to us");

    link_.SetTarget("mailto:support@orrindale.example", false);
    EXPECT_EQ(label_->text(), "Write to us");
    EXPECT_EQ(label_->toolTip(), "mailto:support@orrindale.example");
    EXPECT_FALSE(label_->font().underline());
    link_.SetUnderlined(true);
    EXPECT_TRUE(label_->font().underline());
}

TEST_F(LinkTest, AttachingFitsTheLabelToItsCaptionAndGivesTheHandPointer)
{
    label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ShowAndAttach("abc");
    const QRect fitted = label_->geometry();
    EXPECT_LT(fitted.width(), 300);
    EXPECT_GE(fitted.width(), QFontMetrics(label_->font()).horizontalAdvance("abc"));
    EXPECT_NEAR(fitted.center().x(), QRect(20, 30, 300, 20).center().x(), 1);
    EXPECT_EQ(fitted.top(), 30);
    EXPECT_EQ(fitted.height(), qCeil(QFontMetricsF(label_->font()).height()));
    EXPECT_TRUE(link_.hasHandCursor());
    EXPECT_EQ(label_->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Drawn(), CLinkStatic::kLinkColour);
}

TEST_F(LinkTest, HoverBeatsVisitedAndEndsWhenThePointerMovesOut)
{
    ShowAndAttach("link");
    link_.MarkVisited(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour);

    const int before = counter_.paints;
    Move(QPoint(1, 1));
    EXPECT_TRUE(link_.isHovering());
    EXPECT_EQ(link_.textColour(), link_.hoverColour());
    EXPECT_EQ(Drawn(), link_.hoverColour());
    EXPECT_GT(counter_.paints, before); // redrawn at once

    Move(QPoint(-5, 1));
    EXPECT_FALSE(link_.isHovering());
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour);

    Move(QPoint(1, 1));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label_, &leave);
    EXPECT_FALSE(link_.isHovering());
}

TEST_F(LinkTest, SuccessfulOpenRepaintsInTheVisitedColour)
{
    ShowAndAttach("link");
    link_.SetTarget("https://www.orrindale.example/vexmoor");
    QCoreApplication::processEvents();
    const int before = counter_.paints;
    Click();
    EXPECT_EQ(shell_.opened, QStringList{"https://www.orrindale.example/vexmoor"});
    EXPECT_TRUE(link_.isVisited());
    EXPECT_TRUE(link_.errors.isEmpty());
    EXPECT_GT(counter_.paints, before);
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour);
}

TEST_F(LinkTest, FailedOpenClearsVisitedWithoutRepainting)
{
    ShowAndAttach("link");
    Click();
    ASSERT_TRUE(link_.isVisited());
    QCoreApplication::processEvents();

    shell_.shellResult = 32;
    const int before = counter_.paints;
    Click();
    EXPECT_FALSE(link_.isVisited());
    EXPECT_EQ(link_.errors, QList<int>{32});
    EXPECT_EQ(counter_.paints, before);
    EXPECT_EQ(Drawn(), CLinkStatic::kVisitedColour); // still shown as visited
    EXPECT_EQ(link_.textColour(), CLinkStatic::kLinkColour);

    // The next paint, whatever causes it, shows the link colour.
    label_->repaint();
    EXPECT_EQ(Drawn(), CLinkStatic::kLinkColour);
}

TEST_F(LinkTest, FailedFallbackReportsTheStartResult)
{
    ShowAndAttach("link");
    shell_.shellResult = kNoAssociation;
    shell_.webPage = "web \"%1\"";
    shell_.startResult = kFileNotFound;
    Click();
    EXPECT_EQ(shell_.started, QStringList{"web  link"});
    EXPECT_EQ(link_.errors, QList<int>{kFileNotFound});
    EXPECT_FALSE(link_.isVisited());
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

} // namespace vexmoor::ui
