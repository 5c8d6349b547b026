// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog driven as the user drives it: dropped files, the findings
// in the text fields, the name list and the catalogue commands with their
// questions, the view buttons and the saving of scans.

#include "DialogFixture.h"

#include <regex>
#include <set>

#include <QCoreApplication>
#include <QRadioButton>

#include "ui/CDescrDlg.h"
#include "ui/CImgViewCtrl.h"
#include "ui/ImageLayer.h"
#include "color/ColorConversion.h"
#include "imaging/ImageFile.h"
#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"

using namespace vestiscop;
using namespace vestiscop::ui;
using namespace vestiscop::ui::test;

namespace {

const std::string UnknownGarment = "Neznámý oděv";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        result.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result;
}

} // namespace

class MainDialogTest : public DialogFixture {};

TEST_F(MainDialogTest, EmptyCatalogueListsOnlyTheUnknownGarment)
{
    start();
    EXPECT_EQ(listTexts(), std::vector<std::string>{UnknownGarment});
    EXPECT_EQ(selectedText(), "<none>");
    EXPECT_FALSE(button(CMainDlg::AddId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::CorrectId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::DeleteId)->isEnabled());
    // Scan is disabled without a scanner, so the focus starts in the first field.
    EXPECT_EQ(m_dialog->focusWidget(), control<QWidget>(CMainDlg::ColorFieldId));

    dropFile("red20.bmp");
    EXPECT_TRUE(boxesSinceStart().empty());
    EXPECT_EQ(selectedText(), UnknownGarment);
    EXPECT_EQ(selectedSlot(), -1);
    EXPECT_EQ(similarityText(), "");
    EXPECT_TRUE(button(CMainDlg::AddId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::CorrectId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::DeleteId)->isEnabled());
}

TEST_F(MainDialogTest, AnalysisWritesColourLinesAndPatternAndFocusesTheColours)
{
    start();
    dropFile("red20.bmp");
    // 64 x 64 pixels, 20 rows red and 44 light grey: 31 % and 69 %,
    // largest first, one colour a line.
    const std::vector<std::string> colorLines = lines(fieldText(CMainDlg::ColorFieldId));
    ASSERT_EQ(colorLines.size(), 2u) << fieldText(CMainDlg::ColorFieldId);
    const std::regex format(R"(^\d+% \S+ \(\d+ -?\d+ -?\d+\)$)");
    for (const std::string& line : colorLines)
        EXPECT_TRUE(std::regex_match(line, format)) << line;
    EXPECT_EQ(colorLines[0].rfind("69% bílá (", 0), 0u) << colorLines[0];
    EXPECT_EQ(colorLines[1].rfind("31% červená (", 0), 0u) << colorLines[1];

    const std::string pattern = fieldText(CMainDlg::PatternFieldId);
    EXPECT_TRUE(pattern == "Bez vzoru" || pattern == "Proužek" || pattern == "Kostka" || pattern == "Puntík"
                || pattern == "Neznámý motiv")
        << pattern;
    EXPECT_EQ(m_dialog->focusWidget(), control<QWidget>(CMainDlg::ColorFieldId));
}

TEST_F(MainDialogTest, ReportThresholdLeavesOutSmallColours)
{
    start({"ReportThr=0.5"});
    dropFile("red20.bmp");
    const std::vector<std::string> colorLines = lines(fieldText(CMainDlg::ColorFieldId));
    ASSERT_EQ(colorLines.size(), 1u);
    EXPECT_EQ(colorLines[0].rfind("69% bílá (", 0), 0u);
}

TEST_F(MainDialogTest, UpperCasePngIsAnalysedOtherNamesAreIgnored)
{
    start();
    {
        imaging::BmpFile bmp(m_dir.file("red20.bmp"), imaging::ImageFile::Read);
        const auto image = imaging::loadImage(bmp);
        imaging::PngFile png(m_dir.file("SCAN.PNG"), imaging::ImageFile::Write);
        imaging::saveImage(*image, png);
    }
    m_dir.write("photo.jpg", m_dir.read("red20.bmp"));
    m_dir.write("nodot", m_dir.read("red20.bmp"));

    dropFile("photo.jpg");
    dropFile("nodot");
    drop({"https://example.invalid/red20.bmp"});
    EXPECT_EQ(fieldText(CMainDlg::ColorFieldId), "");
    EXPECT_FALSE(m_dialog->hasCurrentScan());
    EXPECT_TRUE(boxesSinceStart().empty()) << "other kinds are ignored without a message";

    // Only the first file counts.
    drop({m_dir.file("SCAN.PNG"), m_dir.file("red40.bmp")});
    EXPECT_TRUE(m_dialog->hasCurrentScan());
    EXPECT_EQ(lines(fieldText(CMainDlg::ColorFieldId))[0].rfind("69% bílá (", 0), 0u);
}

TEST_F(MainDialogTest, UnreadableFileIsReportedAndFieldsKeepTheirText)
{
    start();
    dropFile("red20.bmp");
    const std::string before = fieldText(CMainDlg::ColorFieldId);
    m_dir.write("broken.bmp", std::string("BM not a bitmap"));
    dropFile("broken.bmp");
    const auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(fieldText(CMainDlg::ColorFieldId), before);
    EXPECT_NE(logText().find(" - ERROR: " + boxes[0].text), std::string::npos);
}

TEST_F(MainDialogTest, TooSmallImageIsReported)
{
    start({"Width=100", "Height=100"});
    dropFile("red20.bmp");
    const auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Příliš malý vstupní obrázek");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(button(CMainDlg::AddId)->isEnabled());
}

TEST_F(MainDialogTest, AddingTwiceGivesTwoDefinitionsOfTheSameColours)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Červená halenka")));
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(selectedText(), "Červená halenka");
    EXPECT_EQ(m_dialog->matchIndex(), 0);
    EXPECT_TRUE(button(CMainDlg::CorrectId)->isEnabled());
    EXPECT_TRUE(button(CMainDlg::DeleteId)->isEnabled());
    EXPECT_EQ(similarityText(), "") << "the similarity stays as it was";
    // Confirmed on the list, which takes the focus; once the list loses it,
    // it names its garment again.
    EXPECT_EQ(nameList()->accessibleDescription().toStdString(), "Přidáno: Červená halenka");
    EXPECT_EQ(m_dialog->focusWidget(), nameList());

    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Druhá halenka")));
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(selectedSlot(), 1);

    catalog::GarmentCatalog& catalog = m_app->catalog();
    ASSERT_EQ(catalog.slotCount(), 2);
    const auto& first = catalog.slot(0);
    const auto& second = catalog.slot(1);
    EXPECT_EQ(first.colorA, second.colorA);
    EXPECT_EQ(first.colorB, second.colorB);
    EXPECT_EQ(first.shareA, second.shareA);
    EXPECT_EQ(m_dir.readBytes("odevy.dat").size(), 2 * 96u);
    EXPECT_EQ(m_services.modalDialogs.size(), 2u);
}

TEST_F(MainDialogTest, CancelledNamingAddsNothing)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::pressCancel());
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(listTexts(), std::vector<std::string>{UnknownGarment});
    EXPECT_EQ(selectedText(), UnknownGarment);
    EXPECT_TRUE(button(CMainDlg::AddId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::CorrectId)->isEnabled());
    EXPECT_EQ(m_dir.readBytes("odevy.dat").size(), 0u);
}

TEST_F(MainDialogTest, NameTheCatalogueCannotHoldIsRefusedAndNothingStored)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka \U0001F600")));
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(listTexts(), std::vector<std::string>{UnknownGarment});
    EXPECT_EQ(m_dir.readBytes("odevy.dat").size(), 0u);
    const auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("\U0001F600"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].icon, MessageIcon::Exclamation);
}

TEST_F(MainDialogTest, LongNameIsListedAsStored)
{
    start();
    dropFile("red20.bmp");
    const QString name = QString(100, QLatin1Char('k'));
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(name));
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(selectedText(), std::string(64, 'k'));
}

TEST_F(MainDialogTest, EmptyNameIsAccepted)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QString()));
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(nameList()->count(), 2);
    EXPECT_EQ(selectedSlot(), 0);
    EXPECT_EQ(selectedText(), "");
}

TEST_F(MainDialogTest, KnownGarmentIsRecognisedWithItsSimilarity)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    button(CMainDlg::AddId)->click();
    nameList()->setCurrentIndex(-1);

    dropFile("red20.bmp");
    EXPECT_EQ(selectedText(), "Halenka");
    EXPECT_EQ(m_dialog->matchIndex(), 0);
    // The same picture: the distance is 0, the similarity 100 %.
    EXPECT_EQ(similarityText(), "na 100%");
    // A screen reader says the garment with the list, and after the colour
    // field's first line the rest of the answer ends with it.
    EXPECT_EQ(nameList()->accessibleDescription().toStdString(), "Halenka na 100%");
    const std::string rest = control<QWidget>(CMainDlg::ColorFieldId)->accessibleDescription().toStdString();
    EXPECT_EQ(rest.rfind("31% červená. Vzor: ", 0), 0u) << rest;
    EXPECT_NE(rest.find(". Halenka na 100%"), std::string::npos) << rest;
}

TEST_F(MainDialogTest, SelectingTheUnknownGarmentByHandDisablesCorrectAndDelete)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    button(CMainDlg::AddId)->click();
    ASSERT_TRUE(button(CMainDlg::CorrectId)->isEnabled());
    selectName(UnknownGarment);
    EXPECT_FALSE(button(CMainDlg::CorrectId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::DeleteId)->isEnabled());
    EXPECT_TRUE(button(CMainDlg::AddId)->isEnabled());
}

TEST_F(MainDialogTest, NamesAreKeptInCaseInsensitiveOrder)
{
    start();
    dropFile("red20.bmp");
    for (const char* name : {"zelené tričko", "Bílé kalhoty", "modrá košile", "Andulka"}) {
        m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QString::fromUtf8(name)));
        button(CMainDlg::AddId)->click();
    }
    EXPECT_EQ(listTexts(), (std::vector<std::string>{"Andulka", "Bílé kalhoty", "modrá košile", UnknownGarment,
                                                     "zelené tričko"}));
    // Item data follow their names.
    EXPECT_EQ(nameList()->itemData(0).toInt(), 3);
    EXPECT_EQ(nameList()->itemData(3).toInt(), -1);
    EXPECT_EQ(nameList()->itemData(4).toInt(), 0);
}

TEST_F(MainDialogTest, CatalogueDefinitionsAreListedAtStart)
{
    start();
    dropFile("red20.bmp");
    for (const char* name : {"Sukně", "Kabát"}) {
        m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QString::fromUtf8(name)));
        button(CMainDlg::AddId)->click();
    }
    m_services.answers.push_back(MessageAnswer::Yes);
    selectName("Sukně");
    button(CMainDlg::DeleteId)->click();

    // A fresh run lists what the file holds: free slots are left out.
    m_dialog.reset();
    m_app.reset();
    start();
    EXPECT_EQ(listTexts(), (std::vector<std::string>{"Kabát", UnknownGarment}));
    EXPECT_EQ(nameList()->itemData(0).toInt(), 1);
    EXPECT_EQ(selectedText(), "<none>");
}

// With a signature file the window recognises and learns on the signatures.
TEST_F(MainDialogTest, WithSignaturesTheWindowRecognisesAndLearnsOnThem)
{
    // The optional key after the last one of [Matching], as the shipped file has it.
    start({"MergeDecay=3\nSignatures=odevy.sig"});
    ASSERT_TRUE(m_app->recognizer().signaturesOn());
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    button(CMainDlg::AddId)->click();
    dropFile("red20.bmp");
    EXPECT_EQ(selectedText(), "Halenka");
    EXPECT_EQ(similarityText(), "na 100%");

    dropFile("red40.bmp");
    selectName("Halenka");
    m_services.answers.push_back(MessageAnswer::Yes);
    button(CMainDlg::CorrectId)->click();
    const signature::SignatureEntry* entry = m_app->recognizer().usableEntry(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->exampleCount, 2) << "the corrected scan is kept beside the first";
    EXPECT_TRUE(m_dir.exists("odevy.sig"));
}

TEST_F(MainDialogTest, CorrectAsksAndMergesOnlyOnYes)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    button(CMainDlg::AddId)->click();
    dropFile("red40.bmp");
    selectName("Halenka");
    const auto stored = m_dir.readBytes("odevy.dat");

    m_services.answers.push_back(MessageAnswer::No);
    button(CMainDlg::CorrectId)->click();
    auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Opravdu chcete změnit definici nasnímaného oděvu na \"Halenka\"?");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(m_dir.readBytes("odevy.dat"), stored);

    m_services.answers.push_back(MessageAnswer::Yes);
    button(CMainDlg::CorrectId)->click();
    EXPECT_EQ(boxesSinceStart().size(), 2u);
    const auto corrected = m_dir.readBytes("odevy.dat");
    ASSERT_EQ(corrected.size(), 96u);
    EXPECT_NE(corrected, stored) << "the definition learnt from the second scan";
    EXPECT_EQ(m_app->catalog().name(0), "Halenka");
    EXPECT_EQ(nameList()->accessibleDescription().toStdString(), "Opraveno: Halenka");
}

TEST_F(MainDialogTest, DeleteAsksAndLeavesNothingSelected)
{
    start();
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    button(CMainDlg::AddId)->click();
    dropFile("red20.bmp");
    ASSERT_EQ(similarityText(), "na 100%");

    m_services.answers.push_back(MessageAnswer::No);
    button(CMainDlg::DeleteId)->click();
    auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Opravdu chcete smazat definici oděvu \"Halenka\"?");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(nameList()->count(), 2);

    m_services.answers.push_back(MessageAnswer::Yes);
    button(CMainDlg::DeleteId)->click();
    EXPECT_EQ(listTexts(), std::vector<std::string>{UnknownGarment});
    EXPECT_EQ(selectedText(), "<none>");
    EXPECT_EQ(m_dialog->focusWidget(), nameList());
    // Nothing said about the deleted garment stays; the deletion is confirmed.
    EXPECT_EQ(similarityText(), "");
    EXPECT_EQ(nameList()->accessibleDescription().toStdString(), "Vymazáno: Halenka");
    EXPECT_EQ(control<QWidget>(CMainDlg::ColorFieldId)->accessibleDescription().toStdString(), "");
    EXPECT_FALSE(button(CMainDlg::DeleteId)->isEnabled());
    EXPECT_FALSE(button(CMainDlg::CorrectId)->isEnabled());
    EXPECT_TRUE(button(CMainDlg::AddId)->isEnabled());
    const auto stored = m_dir.readBytes("odevy.dat");
    ASSERT_EQ(stored.size(), 96u);
    EXPECT_EQ(stored[0], 0) << "the slot is free";
}

TEST_F(MainDialogTest, ViewButtonsShowExactlyOneSlot)
{
    start({"ExtendedUI=1"});
    dropFile("red20.bmp");
    CImgViewCtrl* view = m_dialog->view();
    EXPECT_TRUE(control<QRadioButton>(CMainDlg::PictureViewId)->isChecked());
    for (int id = CMainDlg::PictureViewId; id <= CMainDlg::TextureViewId; ++id) {
        control<QRadioButton>(id)->click();
        for (int slot = 1; slot <= 4; ++slot)
            EXPECT_EQ(view->findLayer(slot)->visible, slot == id - 1000) << "button " << id << " slot " << slot;
    }
    // Every slot got its picture of the analysis: 64 x 64 RGB in 1 and 2,
    // indices in 3 and 4.
    for (int slot = 1; slot <= 4; ++slot) {
        auto* layer = dynamic_cast<ImageLayer*>(view->findLayer(slot)->layer);
        ASSERT_NE(layer, nullptr);
        EXPECT_NE(layer->rows().bits, nullptr) << slot;
        EXPECT_EQ(layer->width(), 64);
        EXPECT_EQ(layer->rows().bitCount, slot <= 2 ? 24 : 8);
    }
    auto* texture = dynamic_cast<ImageLayer*>(view->findLayer(4)->layer);
    EXPECT_EQ(texture->palette()[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(texture->palette()[1], (PaletteEntry{255, 255, 255, 0}));
}

// What a sighted helper sees is what the screen reader says: the
// separation draws every pixel in one of the colours of the colour field
// (as the field states them), the texture those of the first one black.
TEST_F(MainDialogTest, ViewsShowTheColoursThatAreSpoken)
{
    start({"ExtendedUI=1", "Height=64\nAnalysis=improved"});
    dropFile("red20.bmp");
    const auto key = [](const PaletteEntry& p) { return p.blue << 16 | p.green << 8 | p.red; };
    const std::regex format(R"(\((\d+) (-?\d+) (-?\d+)\)$)");
    std::vector<unsigned> spoken;
    for (const std::string& line : lines(fieldText(CMainDlg::ColorFieldId))) {
        std::smatch lab;
        ASSERT_TRUE(std::regex_search(line, lab, format)) << line;
        const color::RgbPixel rgb = color::xyzToRgb(
            color::labToXyz({static_cast<std::uint8_t>(std::stoi(lab[1])), static_cast<std::int8_t>(std::stoi(lab[2])),
                             static_cast<std::int8_t>(std::stoi(lab[3]))}),
            color::AnalysisGamma);
        spoken.push_back(key({rgb.blue, rgb.green, rgb.red, 0}));
    }
    ASSERT_EQ(spoken.size(), 2u);

    const auto* separation = dynamic_cast<ImageLayer*>(m_dialog->view()->findLayer(3)->layer);
    const auto* texture = dynamic_cast<ImageLayer*>(m_dialog->view()->findLayer(4)->layer);
    ASSERT_EQ(separation->rows().bitCount, 8);
    ASSERT_EQ(texture->rows().bitCount, 8);
    std::set<unsigned> shown;
    const int rows = std::abs(separation->rows().height);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < separation->width(); ++x) {
            const std::size_t at = static_cast<std::size_t>(y * separation->rows().rowPixels + x);
            const unsigned colour = key(separation->palette()[separation->rows().bits[at]]);
            shown.insert(colour);
            const bool black = key(texture->palette()[texture->rows().bits[at]]) == 0;
            ASSERT_EQ(black, colour == spoken[0]) << x << ", " << y;
        }
    EXPECT_EQ(shown, std::set<unsigned>(spoken.begin(), spoken.end()));
}

TEST_F(MainDialogTest, FailedAnalysisClearsTheViews)
{
    start({"ExtendedUI=1", "MaxBins=1"});
    dropFile("red20.bmp");
    const auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Nelze nalézt určující barvu");
    for (int slot = 1; slot <= 4; ++slot)
        EXPECT_EQ(dynamic_cast<ImageLayer*>(m_dialog->view()->findLayer(slot)->layer)->rows().bits, nullptr);
}

TEST_F(MainDialogTest, ExtendedInterfaceOffEndsTheWindowAtTheLine)
{
    start({"ExtendedUI=0"});
    QWidget* line = control<QWidget>(CMainDlg::DividerId);
    EXPECT_EQ(m_dialog->width(), line->geometry().right() + 1);
    EXPECT_TRUE(line->isHidden());
    EXPECT_TRUE(m_dialog->view()->isHidden());
    for (int id = CMainDlg::PictureViewId; id <= CMainDlg::TextureViewId; ++id)
        EXPECT_TRUE(control<QWidget>(id)->isHidden());
    EXPECT_FALSE(control<QWidget>(CMainDlg::EndId)->isHidden());

    dropFile("red20.bmp");
    auto* layer = dynamic_cast<ImageLayer*>(m_dialog->view()->findLayer(1)->layer);
    EXPECT_NE(layer->rows().bits, nullptr) << "the slots are still filled";
}

TEST_F(MainDialogTest, NoScannerIsReportedAndScanStaysDisabled)
{
    start();
    ASSERT_EQ(m_startBoxes, 1u);
    EXPECT_EQ(m_services.boxes[0].text, "Skener nebo jeho ovladač není instalován");
    EXPECT_EQ(m_services.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(button(CMainDlg::ScanId)->isEnabled());
    EXPECT_NE(logText().find(" - ERROR: Skener nebo jeho ovladač není instalován"), std::string::npos);
    dropFile("red20.bmp");
    EXPECT_TRUE(m_dialog->hasCurrentScan()) << "dropped files still work";
    EXPECT_FALSE(button(CMainDlg::ScanId)->isEnabled());
}

class SaveScanTest : public DialogFixture {
protected:
    void saveLastScan()
    {
        QCoreApplication::postEvent(m_dialog.get(), new QEvent(CMainDlg::saveScanEventType()));
        QCoreApplication::sendPostedEvents(m_dialog.get());
    }
};

TEST_F(SaveScanTest, WithoutDescriptionLogsAQuestionMark)
{
    start({"SaveImage=1", "AskForDescr=0"});
    dropFile("red20.bmp");
    saveLastScan();
    EXPECT_TRUE(m_dir.exists("skeny/scan000.bmp"));
    EXPECT_NE(logText().find(" - INFO : Nasnímán a uložen obrázek scan000.bmp (?)\n"), std::string::npos) << logText();
    EXPECT_EQ(m_services.beeps, 0);
    EXPECT_TRUE(m_services.modalDialogs.empty());
}

TEST_F(SaveScanTest, AskedDescriptionGoesIntoTheLog)
{
    start({"SaveImage=1", "AskForDescr=1", "SaveFormat=PNG"});
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("modrá košile, límec")));
    saveLastScan();
    EXPECT_EQ(m_services.beeps, 1);
    EXPECT_TRUE(m_dir.exists("skeny/scan000.png"));
    EXPECT_NE(logText().find("Nasnímán a uložen obrázek scan000.png (modrá košile, límec)\n"), std::string::npos)
        << logText();
}

TEST_F(SaveScanTest, CancelledDescriptionStaysAQuestionMarkAndEmptyIsKept)
{
    start({"SaveImage=1", "AskForDescr=1"});
    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::pressCancel());
    saveLastScan();
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QString()));
    saveLastScan();
    EXPECT_NE(logText().find("Nasnímán a uložen obrázek scan000.bmp (?)\n"), std::string::npos) << logText();
    EXPECT_NE(logText().find("Nasnímán a uložen obrázek scan001.bmp ()\n"), std::string::npos) << logText();
}

TEST_F(SaveScanTest, ArchiveFailureIsReportedWithoutLogLine)
{
    start({"SaveImage=1", "SaveDir=missing/deeper"});
    dropFile("red20.bmp");
    saveLastScan();
    const auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(logText().find("Nasnímán"), std::string::npos);
}

TEST_F(SaveScanTest, NothingToSaveBeforeAnyImage)
{
    start({"SaveImage=1"});
    saveLastScan();
    EXPECT_TRUE(boxesSinceStart().empty());
    EXPECT_FALSE(m_dir.exists("skeny/scan000.bmp"));
}
