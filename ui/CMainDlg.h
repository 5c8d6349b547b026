// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The whole user interface: one dialog that starts scans, takes dropped BMP
// and PNG files, writes the findings of every analysis as text into
// read-only fields a screen reader reads (colours, pattern), shows the
// recognised garment as the selection of the name list with its similarity,
// and carries the catalogue's add, correct and delete commands. With
// ExtendedUI on it also shows the picture and three analysis images for a
// sighted helper.
//
// Controls carry the ids of dialog template 102 (see ControlIds.h); every
// text field, the list and every button has the accessible name of its label
// or caption, and the focus moves to the colour findings after an analysis.
//
// What a screen reader hears: the focus moves to the colour field before
// its text changes (a field that changes first is taken as already read);
// the screen reader reads the field's first line and then its description,
// the rest of the answer (colours, pattern, garment). A scan moves the focus
// to a "Skenuji…" indicator first, so that the focus changes even when the
// scan was started from the colour field. The name list carries the garment heard on it
// (and the confirmation of the last catalogue command) as its description,
// which is read with the list. While a scan runs, Scan is disabled, Esc
// cancels the scan at the scanner instead of closing the window, and a scan
// that brings nothing within the time-out is cancelled and reported.
//
// The scan itself (scanner, time-out, cancelling, analysis, match, saving)
// is the scan session's (app/ScanSession.h); the dialog turns the session's
// events into what the user sees and hears.
//
// Ownership: the dialog owns the scan session (with the analyser and the
// scanner connection) and the image view (which owns its four layers). The application
// object and the windowing services must outlive it. While it exists, every
// event of the application is offered to the scanner connection first.
// Failures of commands are shown with the exclamation icon and logged; the
// dialog goes on.

#include <memory>
#include <string>

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>

#include "app/Application.h"
#include "app/ScanSession.h"
#include "imaging/Image.h"
#include "scanner/Twain.h"
#include "ui/WindowingServices.h"

class QComboBox;
class QKeyEvent;
class QTimer;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vestiscop::ui {

class CImgViewCtrl;
class ImageLayer;

class CMainDlg : public QDialog, public scanner::EventSink, private app::ScanListener {
public:
    // Control ids of the dialog template.
    static constexpr int ScanId = 1;
    static constexpr int EndId = 2;
    static constexpr int ViewFrameId = 1000;
    static constexpr int PictureViewId = 1001;
    static constexpr int ChromaViewId = 1002;
    static constexpr int SeparationViewId = 1003;
    static constexpr int TextureViewId = 1004;
    static constexpr int ColorFieldId = 1006;
    static constexpr int AboutId = 1012;
    static constexpr int NameListId = 1013;
    static constexpr int AddId = 1014;
    static constexpr int CorrectId = 1015;
    static constexpr int DeleteId = 1016;
    static constexpr int DividerId = 1018;
    static constexpr int PatternFieldId = 1019;
    static constexpr int SimilarityId = 1020;

    // Builds and initialises the dialog: the view, the scanner (a failure is
    // reported and disables Scan for the run), the name list from the
    // catalogue, the button states; the focus on Scan.
    CMainDlg(app::Application& application, WindowingServices& services);
    ~CMainDlg() override;

    // Analyses an image (scanned or dropped) and shows the findings. The
    // analyser takes the image. A failure is reported; fields already
    // written keep their new text.
    void showResults(std::unique_ptr<imaging::RgbImage> image);
    // A dropped file: BMP or PNG by extension (ignoring case) is read and
    // analysed; any other name does nothing; a failure is reported.
    void openDroppedFile(const std::string& path);

    // The dialog's own event that saves the last scan once the handler that
    // posted it has returned.
    static QEvent::Type saveScanEventType();

    // The current state, for tests and tools.
    bool hasCurrentScan() const { return m_currentScan != nullptr; }
    bool isScanning() const { return m_session->scanning(); }
    int matchIndex() const { return m_matchIndex; }
    CImgViewCtrl* view() const { return m_view; }

    // Every event of the application passes here first: the scanner's own
    // events are consumed by the connection.
    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    // scanner::EventSink: any thread.
    void post(const scanner::SourceMessage& message) override;

private:
    // What the scan session tells: shown, said, reported.
    void scanEvent(const app::ScanEvent& event) override;
    // The findings of the analysis that matched slot (-1: none) with
    // slotSimilarity.
    void showMatch(int slot, double slotSimilarity);
    void scanCancelled();

    void createControls();
    void createView();
    void startScanner();
    void narrowToTextSide();
    void fillNameList();
    // Inserts in the list's collation order; returns the position.
    int insertName(const QString& name, int slot);
    int positionOfSlot(int slot) const;
    // The catalogue slot of the name chosen in the list; -1 when none is.
    int selectedSlot() const;
    // Asks the question of text questionId about the garment in slot
    // (Yes/No); true when the answer is Yes.
    bool confirmed(int questionId, int slot);
    void updateButtons();
    void showViews();
    void selectView(int buttonId);

    // Shows the words of a running scan and gives them the focus.
    void showBusy(const QString& words);
    // The name list's description: the chosen garment and, for the
    // recognised one, its similarity; confirmation, when given, instead.
    void describeNameList(const QString& confirmation = QString());
    // The garment the list shows, with its similarity when it is the
    // recognised one.
    QString nameListWords() const;
    void nameListFocused(const QWidget* from);
    // Confirms a catalogue command on the name list, which takes the focus.
    void confirmOnNameList(int textId, const std::string& name);
    void scanEnded();
    // Brings the focus from the busy indicator to the colour field with the
    // answer waiting to be written there, when the screen reader has had
    // time to read the indicator (ui/ResultSpeech.h).
    // rested: how long the screen reader could read the indicator, -1 when
    // the focus is not on it.
    void arriveAtColorField(long long rested);
    long long restedOnIndicator() const;
    void writeAnswer(bool focusArrives);

    void onScan();
    void onAdd();
    void onCorrect();
    void onDelete();
    void onAbout();
    void saveScan();

    // Runs a command and reports what it throws.
    template <typename Work>
    void reported(Work work);

    app::Application& m_app;
    WindowingServices& m_services;

    CImgViewCtrl* m_view = nullptr;
    ImageLayer* m_layers[4] = {};
    QPlainTextEdit* m_colorField = nullptr;
    QPlainTextEdit* m_patternField = nullptr;
    QComboBox* m_nameList = nullptr;
    QLabel* m_similarityLabel = nullptr;
    QPushButton* m_scanButton = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_correctButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_aboutButton = nullptr;
    QPushButton* m_endButton = nullptr;
    QFrame* m_divider = nullptr;
    QRadioButton* m_viewButtons[4] = {};
    QWidget* m_viewGroup = nullptr;
    QMetaObject::Connection m_focusWatch;
    QTimer* m_scanTimer = nullptr;
    QLabel* m_busyIndicator = nullptr;
    QElapsedTimer m_busySince;     // since the indicator took the focus
    QTimer* m_arrivalTimer = nullptr;
    // The answer of the last analysis until it is written into the fields:
    // colour lines, pattern, the rest of the answer after the first colour
    // line and the whole answer; and what is said when the focus arrives.
    bool m_answerPending = false;
    QString m_answer[4];
    QString m_arrivalNote;
    QString m_colorFieldName;
    // How long the indicator had been heard when the image to analyse came.
    long long m_rested = -1;
    // Scanning is possible this run (the scanner started).
    bool m_scannerReady = false;

    // Its result's views are what the layers show.
    std::unique_ptr<app::ScanSession> m_session;
    const color::ColorAnalysis* m_currentScan = nullptr;
    double m_similarity = 0;
    int m_matchIndex = -1;
};

template <typename Work>
void CMainDlg::reported(Work work)
{
    try {
        work();
    } catch (const foundation::Exception& error) {
        m_app.reportError(error, app::MessageIcon::Exclamation);
    } catch (...) {
        m_app.reportCurrentException(app::MessageIcon::Exclamation);
    }
}

} // namespace vestiscop::ui
