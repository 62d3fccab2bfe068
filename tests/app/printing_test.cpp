// Print, Print Preview and Print Setup on printers that write PDF files.

#include "AppTestSupport.h"

#include "app/ActionRegistry.h"
#include "app/CPrintSetupDlg.h"
#include "trace/CVexmoorView.h"

#include <QAction>
#include <QComboBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRadioButton>

namespace vexmoor::app {

namespace {

constexpr int kPrint = 57607;
constexpr int kPrintPreview = 57609;
constexpr int kPrintSetup = 57606;

class PrintingTest : public AppTest {
protected:
    void SetUp() override { StartWithPrinters(); }

    void StartWithPrinters()
    {
        app_ = std::make_unique<CVexmoorApp>(profile_, LogOnToTemporaryDatabase());
        app_->usePrinters(std::make_unique<FakePrinters>(installed_, folder_.path()));
        ASSERT_TRUE(app_->InitInstance({}));
        std::string log;
        for (int line = 1; line <= 150; ++line)
            log += "traced line " + std::to_string(line) + "\r\n";
        app_->View()->setLogText(log);
    }

    void Trigger(int id) { app_->Actions()->action(id)->trigger(); }

    // Print, with the print dialog confirmed as it opens.
    void PrintAsOffered()
    {
        bool asked = false;
        WhenModal<QPrintDialog>([&](QPrintDialog& dialog) {
            asked = true;
            dialog.accept();
        });
        Trigger(kPrint);
        EXPECT_TRUE(asked);
    }

    const QStringList installed_{"Desk Jet", "Office Laser"};
    const FakePrinters files_{installed_, folder_.path()};
};

TEST_F(PrintingTest, PrintPrintsTheWholeLogPageByPage)
{
    PrintAsOffered();
    const QString pdf = files_.FileOf("Desk Jet");
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("traced line 1\n") || text.contains("traced line 1 "));
    EXPECT_TRUE(text.contains("traced line 75"));
    EXPECT_TRUE(text.contains("traced line 150"));
    EXPECT_GE(PdfInfo(pdf, "Pages").toInt(), 2) << "150 lines do not fit one page";
}

TEST_F(PrintingTest, PrintSetupChoosesThePrinterAndPageThatPrintThenUses)
{
    std::vector<QString> offered;
    WhenModal<CPrintSetupDlg>([&](CPrintSetupDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Print Setup");
        auto* printer = dialog.findChild<QComboBox*>(QStringLiteral("printer"));
        auto* paper = dialog.findChild<QComboBox*>(QStringLiteral("paperSize"));
        ASSERT_TRUE(printer && paper);
        for (int row = 0; row < printer->count(); ++row)
            offered.push_back(printer->itemText(row));
        EXPECT_EQ(printer->currentText(), "Desk Jet") << "the printer in use";
        printer->setCurrentText("Office Laser");
        paper->setCurrentIndex(paper->findText("A5"));
        dialog.findChild<QRadioButton*>(QStringLiteral("landscape"))->click();
        dialog.accept();
    });
    Trigger(kPrintSetup);
    EXPECT_EQ(offered, (std::vector<QString>{"Desk Jet", "Office Laser"}));
    EXPECT_EQ(app_->chosenPrinter(), "Office Laser");

    // Cancel keeps the choice.
    WhenModal<CPrintSetupDlg>([&](CPrintSetupDlg& dialog) {
        EXPECT_EQ(dialog.choice().printerName, "Office Laser");
        EXPECT_EQ(dialog.choice().orientation, QPageLayout::Landscape);
        EXPECT_EQ(dialog.choice().pageSize.id(), QPageSize::A5);
        dialog.findChild<QComboBox*>(QStringLiteral("printer"))->setCurrentText("Desk Jet");
        dialog.reject();
    });
    Trigger(kPrintSetup);
    EXPECT_EQ(app_->chosenPrinter(), "Office Laser");

    PrintAsOffered();
    const QString pdf = files_.FileOf("Office Laser");
    EXPECT_TRUE(PdfText(pdf).contains("traced line 150"));
    EXPECT_FALSE(QFile::exists(files_.FileOf("Desk Jet")));
    // A5 across: 595 x 420 points.
    const QStringList size = PdfInfo(pdf, "Page size").split(u' ');
    ASSERT_GE(size.size(), 3);
    EXPECT_NEAR(size.at(0).toDouble(), 595.3, 1.0);
    EXPECT_NEAR(size.at(2).toDouble(), 419.5, 1.0);
}

TEST_F(PrintingTest, PrintSetupWithoutPrintersSaysSoAndStillChoosesThePage)
{
    const FakePrinters none({}, folder_.path());
    CPrintSetupDlg dialog(none, PrinterChoice{}, nullptr);
    auto* printer = dialog.findChild<QComboBox*>(QStringLiteral("printer"));
    auto* paper = dialog.findChild<QComboBox*>(QStringLiteral("paperSize"));
    ASSERT_TRUE(printer && paper);
    EXPECT_FALSE(printer->isEnabled());
    EXPECT_EQ(printer->placeholderText(), "No printers are installed");
    paper->setCurrentIndex(paper->findText("A5"));
    QPrinter target;
    ASSERT_TRUE(applyChoice(target, dialog.choice(), none));
    EXPECT_EQ(target.pageLayout().pageSize().id(), QPageSize::A5);
}

TEST_F(PrintingTest, PreviewShowsThePagesAndRemembersOneOrTwoPages)
{
    struct Seen {
        QPrintPreviewWidget::ViewMode mode = QPrintPreviewWidget::AllPagesView;
        int pages = 0;
    };
    // Opens the preview, notes what it shows, switches to `then` and closes.
    const auto preview = [&](QPrintPreviewWidget::ViewMode then) {
        Seen seen;
        WhenModal<QPrintPreviewDialog>([&](QPrintPreviewDialog& dialog) {
            auto* widget = dialog.findChild<QPrintPreviewWidget*>();
            ASSERT_NE(widget, nullptr);
            widget->updatePreview();
            seen = {widget->viewMode(), widget->pageCount()};
            widget->setViewMode(then);
            dialog.reject();
        });
        Trigger(kPrintPreview);
        return seen;
    };

    const Seen first = preview(QPrintPreviewWidget::FacingPagesView);
    EXPECT_EQ(first.mode, QPrintPreviewWidget::SinglePageView) << "nothing stored: one page";
    EXPECT_GE(first.pages, 2);
    EXPECT_EQ(app_->PreviewPages(), 2);
    EXPECT_FALSE(QFile::exists(files_.FileOf("Desk Jet"))) << "a preview prints nothing";

    // Stored at exit, and the next start opens the preview on two pages.
    app_->ExitInstance();
    EXPECT_EQ(profile_.getProfileInt("Settings", "PreviewPages", 0), 2);
    app_.reset();
    StartWithPrinters();
    const Seen second = preview(QPrintPreviewWidget::SinglePageView);
    EXPECT_EQ(second.mode, QPrintPreviewWidget::FacingPagesView);
    app_->ExitInstance();
    EXPECT_EQ(profile_.getProfileInt("Settings", "PreviewPages", 0), 1);
}

TEST_F(PrintingTest, NoPreviewLeavesPreviewPagesUnwritten)
{
    app_->ExitInstance();
    EXPECT_FALSE(profile_.contains("Settings", "PreviewPages"));
}

} // namespace

} // namespace vexmoor::app
